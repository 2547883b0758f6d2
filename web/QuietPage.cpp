#include "web/QuietPage.h"

#include "web/ConsoleErrors.h"
#include "web/ErrorPage.h"

#include <QNetworkReply>
#include <QWebFrame>

QuietPage::QuietPage(QObject *parent, QObject *bridgeObject)
    : QWebPage(parent), bridge(bridgeObject)
{
    ConsoleErrors::logFrom(this);
}

QuietPage::~QuietPage()
{
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
    const QString shownName = name.isEmpty() ? ErrorPage::nameFor(failure->url) : name;
    const QString detail = failure->url.isLocalFile()
                               ? ErrorPage::nameFor(failure->url)
                               : failure->url.toDisplayString(QUrl::RemoveUserInfo);
    page->content = ErrorPage::html(shownName, icon, reason, detail, true);
    return true;
}
