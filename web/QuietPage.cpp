#include "web/QuietPage.h"

#include "web/ConsoleErrors.h"
#include "web/ErrorPage.h"

#include <QNetworkReply>
#include <QWebFrame>

QuietPage::QuietPage(QObject *parent, QObject *bridgeObject)
    : QWebPage(parent), bridge(bridgeObject)
{
    ConsoleErrors::logFrom(this);
    connect(this, &QWebPage::loadStarted, &stall, &LoadWatchdog::started);
    connect(this, &QWebPage::loadProgress, &stall, &LoadWatchdog::progressed);
    connect(this, &QWebPage::loadFinished, &stall, &LoadWatchdog::finished);
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
    return ErrorPage::forFailedLoad(name, icon, url, reason);
}
