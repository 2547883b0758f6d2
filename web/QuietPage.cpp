#include "web/QuietPage.h"

#include "web/ConsoleErrors.h"
#include "web/ErrorPage.h"

#include <QNetworkReply>
#include <QWebFrame>
#include <QWebSecurityOrigin>

namespace
{
int stallMs = 30000;
}

int QuietPage::stallTimeout()
{
    return stallMs;
}

void QuietPage::setStallTimeout(int ms)
{
    stallMs = ms;
}

QuietPage::QuietPage(QObject *parent, QObject *bridgeObject)
    : QWebPage(parent), bridge(bridgeObject), pageDialogs(new PageDialogs(this))
{
    ConsoleErrors::logFrom(this);
    stall.setSingleShot(true);
    stall.setInterval(stallMs);
    // The page's own signals also tell of frames inside it, which may load
    // long after the page has: only the main frame's load is watched.
    connect(mainFrame(), &QWebFrame::loadStarted, this, [this] {
        progress = 0;
        stall.start();
    });
    connect(this, &QWebPage::loadProgress, this, &QuietPage::watchProgress);
    connect(mainFrame(), &QWebFrame::loadFinished, &stall, &QTimer::stop);
    connect(&stall, &QTimer::timeout, this, [this] {
        // The engine holds the load while the page waits for the user's
        // answer; that time is not the site's.
        if (pageDialogs->isOpen()) {
            stall.start();
            return;
        }
        const QUrl url = mainFrame()->requestedUrl();
        triggerAction(QWebPage::Stop);
        // The engine shows nothing for a load it was told to stop.
        mainFrame()->setHtml(QString::fromUtf8(failurePage(url, ErrorPage::Reason::TimedOut)), url);
    });
}

void QuietPage::watchProgress(int percent)
{
    // Only real progress counts: the engine repeats its estimate meanwhile.
    if (stall.isActive() && percent > progress) {
        progress = percent;
        stall.start();
    }
}

QuietPage::~QuietPage()
{
    // Loads that the engine cancels while it goes must not reach the watch.
    disconnect(this, nullptr, this, nullptr);
    disconnect(mainFrame(), nullptr, this, nullptr);
    disconnect(mainFrame(), nullptr, &stall, nullptr);
    stall.stop();
    if (!bridge)
        return;
    disconnect(this, nullptr, bridge, nullptr);
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
    // An answer from the server (a 404 with its own page) is the site's own.
    if (failure->domain == WebKit)
        return false;
    // Leaving a page that is still loading is not a failure.
    if (failure->domain == QtNetwork && failure->error == QNetworkReply::OperationCanceledError)
        return false;
    const bool http = failure->domain == Http;
    const ErrorPage::Reason reason =
        ErrorPage::reasonFor(failure->error, http, ErrorPage::machineIsOnline());
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
    const QString shownName = name.isEmpty() ? ErrorPage::nameFor(url) : name;
    const QString detail =
        url.isLocalFile() ? ErrorPage::nameFor(url) : url.toDisplayString(QUrl::RemoveUserInfo);
    return ErrorPage::html(shownName, icon, reason, detail, true);
}
