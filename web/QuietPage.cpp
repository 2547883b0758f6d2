#include "web/QuietPage.h"

#include "web/ConsoleErrors.h"
#include "web/ErrorPage.h"

#include <QNetworkReply>
#include <QTimer>
#include <QWebFrame>
#include <QWebSecurityOrigin>

QuietPage::QuietPage(QObject *parent, QObject *bridgeObject)
    : QWebPage(parent), bridge(bridgeObject), pageDialogs(new PageDialogs(this))
{
    ConsoleErrors::logFrom(this);
    // The page's own signals also tell of frames inside it, which may load
    // long after the page has: only the main frame's load is watched. The
    // engine holds the load while the page waits for the user's answer;
    // that time is not the site's.
    stall.holdWhile([this] { return pageDialogs->isOpen(); });
    connect(mainFrame(), &QWebFrame::loadStarted, &stall, &LoadWatchdog::started);
    connect(this, &QWebPage::loadProgress, &stall, &LoadWatchdog::progressed);
    connect(mainFrame(), &QWebFrame::loadFinished, &stall, &LoadWatchdog::finished);
    connect(&stall, &LoadWatchdog::stalled, this, [this] {
        const QUrl url = mainFrame()->requestedUrl();
        triggerAction(QWebPage::Stop);
        // The engine shows nothing for a load it was told to stop.
        mainFrame()->setHtml(QString::fromUtf8(failurePage(url, ErrorPage::Reason::TimedOut)), url);
    });
}

QuietPage::~QuietPage()
{
    // Loads that the engine cancels while it goes must reach nobody: not the
    // watch, and not the view, whose app view would hand them to the bridge.
    // (Other signals stay: the view hears of the page's end through them.)
    disconnect(this, &QWebPage::loadStarted, nullptr, nullptr);
    disconnect(this, &QWebPage::loadProgress, nullptr, nullptr);
    disconnect(this, &QWebPage::loadFinished, nullptr, nullptr);
    disconnect(this, nullptr, this, nullptr);
    disconnect(mainFrame(), nullptr, this, nullptr);
    disconnect(mainFrame(), nullptr, &stall, nullptr);
    stall.finished();
    if (bridge)
        disconnect(mainFrame(), nullptr, bridge, nullptr);
}

void QuietPage::setAppIdentity(const QString &appName, const QByteArray &appIcon)
{
    name = appName;
    icon = appIcon;
}

bool QuietPage::supportsExtension(Extension extension) const
{
    return extension == ErrorPageExtension || QWebPage::supportsExtension(extension);
}

bool QuietPage::extension(Extension extension, const ExtensionOption *option,
                          ExtensionReturn *output)
{
    if (extension != ErrorPageExtension || !option || !output)
        return QWebPage::extension(extension, option, output);
    const auto *failure = static_cast<const ErrorPageExtensionOption *>(option);
    // A frame inside a page keeps the engine's quiet behaviour: the page
    // around it is still the app.
    if (failure->frame != mainFrame())
        return false;
    // An answer from the server (a 404 with its own page) is the site's own;
    // an address the engine refuses to load would leave a blank page.
    const bool blocked =
        failure->domain == WebKit && failure->error == ErrorPage::webKitBlockedPortError;
    if (failure->domain == WebKit && !blocked)
        return false;
    // Leaving a page that is still loading is not a failure.
    if (failure->domain == QtNetwork && failure->error == QNetworkReply::OperationCanceledError)
        return false;
    const bool http = failure->domain == Http;
    const ErrorPage::Reason reason =
        blocked ? ErrorPage::Reason::Blocked
                : ErrorPage::reasonFor(failure->error, http, ErrorPage::machineIsOnline());
    auto *page = static_cast<ErrorPageExtensionReturn *>(output);
    page->baseUrl = failure->url;
    page->contentType = QStringLiteral("text/html");
    page->encoding = QStringLiteral("utf-8");
    page->content = failurePage(failure->url, reason);
    return true;
}

void QuietPage::javaScriptAlert(QWebFrame *frame, const QString &msg)
{
    pageDialogs->alert(dialogSource(frame), msg);
}

bool QuietPage::javaScriptConfirm(QWebFrame *frame, const QString &msg)
{
    if (frame && frame == leaving) {
        leaving.clear();
        return pageDialogs->leave(dialogSource(frame), msg);
    }
    return pageDialogs->confirm(dialogSource(frame), msg);
}

bool QuietPage::javaScriptPrompt(QWebFrame *frame, const QString &msg, const QString &defaultValue,
                                 QString *result)
{
    return pageDialogs->prompt(dialogSource(frame), msg, defaultValue, result);
}

bool QuietPage::acceptNavigationRequest(QWebFrame *frame, const QNetworkRequest &request,
                                        NavigationType type)
{
    const bool accepted = QWebPage::acceptNavigationRequest(frame, request, type);
    // The engine then asks the frame's beforeunload, at once, through
    // javaScriptConfirm; later confirms are the script's own again.
    if (accepted && frame) {
        leaving = frame;
        QTimer::singleShot(0, this, [this] { leaving.clear(); });
    }
    return accepted;
}

PageDialogs::Source QuietPage::dialogSource(QWebFrame *frame) const
{
    const QWebSecurityOrigin origin = (frame ? frame : mainFrame())->securityOrigin();
    QUrl asking;
    asking.setScheme(origin.scheme());
    asking.setHost(origin.host());
    if (origin.port() > 0)
        asking.setPort(origin.port());
    const QString pageSite = PageDialogs::siteName(mainFrame()->url(), name);
    const QString site = PageDialogs::siteName(asking, name);
    // A frame of no site of its own (data, about:blank) speaks for the page.
    return {view(), site.isEmpty() ? pageSite : site, pageSite};
}

QByteArray QuietPage::failurePage(const QUrl &url, ErrorPage::Reason reason) const
{
    return ErrorPage::forFailedLoad(name, icon, url, reason);
}
