#include "web/WebPage.h"

#include "shell/Addresses.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "web/NetworkCookieJar.h"
#include "web/NotificationPermission.h"
#include "web/OpenedWindow.h"
#include "web/WebKitAppView.h"

#include <QNetworkAccessManager>
#include <QWebView>

WebPage::WebPage(QObject *parent, ShellHost *host)
    : QuietPage(parent, host ? host->hookTarget() : nullptr), shell(host)
{
    NotificationPermission::answerFor(this);
}

QString WebPage::userAgent()
{
    return QStringLiteral("Mozilla/5.0 (Windows; U; Windows NT 6.1; es-ES) AppleWebKit/531.22.7 "
                          "(KHTML, like Gecko) Version/4.0.5 Vantara2");
}

QString WebPage::userAgentForUrl(const QUrl &) const
{
    return userAgent();
}

bool WebPage::event(QEvent *event)
{
    // The view hands the page its input events; these are the user's own.
    windows.see(event);
    return QuietPage::event(event);
}

QWebPage *WebPage::createWindow(WebWindowType)
{
    if (!shell || !shell->stack() || !windows.mayOpen())
        return nullptr;
    // WebKit's own agent, no window object, and no further windows.
    auto *webView = new QWebView;
    // Owned by the window, as app pages are: the view may go while the
    // page waits for a dialog of its own (web/PageDialogs).
    webView->setPage(new QuietPage(shell->mainWindow(), shell->hookTarget()));
    webView->page()->networkAccessManager()->setCookieJar(new NetworkCookieJar(
        QStringLiteral(VANTARA_DEFAULT_START_PAGE), shell->paths().cookieFolder()));
    OpenedWindow::show(*shell, new WebKitAppView(webView));
    return webView->page();
}
