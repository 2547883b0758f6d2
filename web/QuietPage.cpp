#include "web/QuietPage.h"

#include "web/ConsoleErrors.h"
#include "web/ErrorPage.h"

#include <QNetworkReply>
#include <QWebFrame>

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
    : QWebPage(parent), bridge(bridgeObject)
{
    ConsoleErrors::logFrom(this);
    stall.setSingleShot(true);
    stall.setInterval(stallMs);
    connect(this, &QWebPage::loadStarted, this, [this] {
        progress = 0;
        stall.start();
    });
    connect(this, &QWebPage::loadProgress, this, &QuietPage::watchProgress);
    connect(this, &QWebPage::loadFinished, &stall, &QTimer::stop);
    connect(&stall, &QTimer::timeout, this, [this] {
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
    // Loads that the engine cancels while it goes must reach nobody: not the
    // watch, and not the view, whose app view would hand them to the bridge.
    // (Other signals stay: the view hears of the page's end through them.)
    disconnect(this, &QWebPage::loadStarted, nullptr, nullptr);
    disconnect(this, &QWebPage::loadProgress, nullptr, nullptr);
    disconnect(this, &QWebPage::loadFinished, nullptr, nullptr);
    disconnect(this, nullptr, this, nullptr);
    stall.stop();
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

QByteArray QuietPage::failurePage(const QUrl &url, ErrorPage::Reason reason) const
{
    const QString shownName = name.isEmpty() ? ErrorPage::nameFor(url) : name;
    const QString detail =
        url.isLocalFile() ? ErrorPage::nameFor(url) : url.toDisplayString(QUrl::RemoveUserInfo);
    return ErrorPage::html(shownName, icon, reason, detail, true);
}
