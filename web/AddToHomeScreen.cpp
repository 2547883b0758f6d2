#include "web/AddToHomeScreen.h"

#include "shell/AppFolderName.h"
#include "shell/AppView.h"
#include "shell/Messages.h"
#include "shell/ShellHost.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace
{
// A folder name longer than this many bytes cannot be made.
constexpr int maxFolderNameBytes = 255;
constexpr int manifestTimeoutMs = 15000;
// A page busy with itself, or one that went on to another address, may
// never answer the script: the site is then added by its title and address.
constexpr int pageTimeoutMs = 5000;
} // namespace

AddToHomeScreen::AddToHomeScreen(ShellHost &host, AppView *view, QObject *parent)
    : QObject(parent), host(host), view(view)
{
}

void AddToHomeScreen::start()
{
    if (busy || !view)
        return;
    address = view->url();
    const QString scheme = address.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        host.message(QStringLiteral("Only web pages can be added to the home screen."));
        return;
    }
    setBusy(true);
    readingPage = true;
    const int reading = ++readings;
    // The bar, and this with it, may go before the view's answer comes.
    QPointer<AddToHomeScreen> alive(this);
    view->runScript(SiteDetails::script(), [alive, reading](const QVariant &result) {
        if (alive)
            alive->pageRead(reading, result);
    });
    QTimer::singleShot(pageTimeoutMs, this, [this, reading] { pageRead(reading, QVariant()); });
}

void AddToHomeScreen::pageRead(int reading, const QVariant &result)
{
    if (reading != readings || !readingPage)
        return;
    readingPage = false;
    site = SiteDetails::fromPage(result, address, view ? view->title() : QString());
    if (!site.manifest().isValid())
        return askAndInstall();
    if (!manager)
        manager = host.newNetworkManager(this);
    QNetworkRequest request(site.manifest());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(manifestTimeoutMs);
    QNetworkReply *reply = manager->get(request);
    // Cut off as soon as the data shows it is too large.
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > SiteDetails::maxManifestBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { manifestRead(reply); });
}

void AddToHomeScreen::manifestRead(QNetworkReply *reply)
{
    reply->deleteLater();
    // A manifest that cannot be read leaves the title and the page's icons.
    if (reply->error() == QNetworkReply::NoError)
        site.readManifest(reply->read(SiteDetails::maxManifestBytes + 1), reply->url());
    askAndInstall();
}

void AddToHomeScreen::askAndInstall()
{
    QPointer<AddToHomeScreen> alive(this);
    QString name = site.proposedName();
    QString problem;
    for (;;) {
        const QString question =
            problem + QStringLiteral("Add %1 to the home screen as:").arg(address.host());
        name = Messages::askText(question, name, QStringLiteral("Add"), QStringLiteral("Cancel"));
        // The page may have gone while the question was open.
        if (!alive)
            return;
        if (name.isNull())
            return setBusy(false);
        name = name.trimmed();
        problem = problemWith(name, host.appsFolder());
        if (problem.isEmpty())
            break;
        problem += QLatin1Char('\n');
    }
    host.installWebApp(name, address.toString(QUrl::FullyEncoded), site.iconAddress().toString());
    setBusy(false);
}

QString AddToHomeScreen::problemWith(const QString &name, const QString &appsFolder)
{
    if (name.isEmpty())
        return QStringLiteral("The app needs a name.");
    if (!AppFolder::isSafeName(name) || name.toUtf8().size() > maxFolderNameBytes)
        return QStringLiteral("\"%1\" is not a valid name for an app.").arg(name);
    if (QFileInfo::exists(appsFolder + QLatin1Char('/') + name))
        return QStringLiteral("There is already an app called \"%1\".").arg(name);
    return QString();
}

void AddToHomeScreen::setBusy(bool isBusy)
{
    busy = isBusy;
    emit busyChanged(busy);
}
