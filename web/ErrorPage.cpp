#include "web/ErrorPage.h"

#include "shell/AppIcon.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QSet>

namespace
{
QString templateText()
{
    QFile file(QStringLiteral(":/assets/support/error.html"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<html><head><title>{{name}}</title></head><body>"
                              "<h1>{{name}}</h1><p>{{reason}}</p></body></html>");
    return QString::fromUtf8(file.readAll());
}

QString initialOf(const QString &name)
{
    for (const QChar c : name)
        if (c.isLetterOrNumber())
            return QString(c.toUpper());
    return QStringLiteral("?");
}
} // namespace

ErrorPage::Reason ErrorPage::reasonFor(int error, bool http, bool online)
{
    if (http)
        return Reason::Other;
    switch (error) {
    case QNetworkReply::HostNotFoundError:
        return online ? Reason::SiteNotFound : Reason::Offline;
    case QNetworkReply::ConnectionRefusedError:
        return Reason::Refused;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return Reason::TimedOut;
    case QNetworkReply::SslHandshakeFailedError:
        return Reason::Certificate;
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
    case QNetworkReply::UnknownNetworkError:
        return online ? Reason::Other : Reason::Offline;
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentAccessDenied:
        return Reason::PageMissing;
    default:
        return online ? Reason::Other : Reason::Offline;
    }
}

QString ErrorPage::words(Reason reason)
{
    switch (reason) {
    case Reason::Offline:
        return QStringLiteral("You are offline. Connect to a network and try again.");
    case Reason::SiteNotFound:
        return QStringLiteral("The site could not be found. Check the address.");
    case Reason::Refused:
        return QStringLiteral("The site refused the connection.");
    case Reason::TimedOut:
        return QStringLiteral("The site took too long to answer.");
    case Reason::Certificate:
        return QStringLiteral("The site's certificate cannot be trusted, so the page was not "
                              "opened.");
    case Reason::PageMissing:
        return QStringLiteral("This app's page is missing.");
    case Reason::BrokenDescriptor:
        return QStringLiteral("This app's app.con is missing or cannot be read.");
    case Reason::Blocked:
        return QStringLiteral("This address uses a port that web pages may not use, so the page "
                              "was not opened.");
    case Reason::Other:
        break;
    }
    return QStringLiteral("The page could not be loaded.");
}

bool ErrorPage::isBlockedPort(int port)
{
    // The union of QtWebKit's and Chromium's lists.
    static const QSet<int> blocked = {
        1,    7,    9,    11,   13,   15,   17,   19,   20,   21,   22,   23,   25,   37,
        42,   43,   53,   69,   77,   79,   87,   95,   101,  102,  103,  104,  109,  110,
        111,  113,  115,  117,  119,  123,  135,  137,  139,  143,  161,  179,  389,  427,
        465,  512,  513,  514,  515,  526,  530,  531,  532,  540,  548,  554,  556,  563,
        587,  601,  636,  989,  990,  993,  995,  1719, 1720, 1723, 2049, 3659, 4045, 5060,
        5061, 6000, 6566, 6665, 6666, 6667, 6668, 6669, 6679, 6697, 10080};
    return blocked.contains(port);
}

bool ErrorPage::machineIsOnline()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        const auto flags = i.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) &&
            flags.testFlag(QNetworkInterface::IsRunning) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack))
            return true;
    }
    return false;
}

QByteArray ErrorPage::html(const QString &appName, const QByteArray &icon, Reason reason,
                           const QString &detail, bool canRetry)
{
    const QString name = appName.isEmpty() ? QStringLiteral("Page") : appName;
    QString page = templateText();
    // The icon is inlined: a page in a site's origin may not show local files.
    const QString iconStyle = icon.isEmpty()
                                  ? QString()
                                  : QStringLiteral("background-image: url(data:image/png;base64,") +
                                        QString::fromLatin1(icon.toBase64()) + QStringLiteral(")");
    page.replace(QLatin1String("{{iconstyle}}"), iconStyle);
    page.replace(QLatin1String("{{initial}}"), icon.isEmpty() ? initialOf(name) : QString());
    page.replace(QLatin1String("{{retryclass}}"), canRetry ? QString() : QStringLiteral("hidden"));
    page.replace(QLatin1String("{{reason}}"), words(reason).toHtmlEscaped());
    page.replace(QLatin1String("{{detail}}"), detail.toHtmlEscaped());
    // Last: a name that looks like a field stays a name.
    page.replace(QLatin1String("{{name}}"), name.toHtmlEscaped());
    return page.toUtf8();
}

QByteArray ErrorPage::forFailedLoad(const QString &appName, const QByteArray &icon, const QUrl &url,
                                    Reason reason)
{
    const QString shownName = appName.isEmpty() ? nameFor(url) : appName;
    const QString detail =
        url.isLocalFile() ? nameFor(url) : url.toDisplayString(QUrl::RemoveUserInfo);
    return html(shownName, icon, reason, detail, true);
}

QByteArray ErrorPage::appIcon(const QString &appFolder)
{
    return appFolder.isEmpty() ? QByteArray() : iconAt(AppIcon::pathIn(appFolder));
}

QByteArray ErrorPage::iconAt(const QString &path)
{
    QFile file(path);
    if (file.size() > maxIconBytes || !AppIcon::mayShow(path) || !file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray data = file.read(maxIconBytes + 1);
    // Only a PNG goes into the page's data address.
    if (data.size() > maxIconBytes || !data.startsWith("\x89PNG"))
        return QByteArray();
    return data;
}

QString ErrorPage::nameFor(const QUrl &url)
{
    if (url.isLocalFile())
        return QFileInfo(url.toLocalFile()).fileName();
    return url.host();
}
