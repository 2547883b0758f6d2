#include "web/WebPage.h"

#include "shell/Addresses.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "web/NetworkCookieJar.h"
#include "web/OpenedWindow.h"
#include "web/WebKitAppView.h"

#include <QEvent>
#include <QNetworkAccessManager>
#include <QWebView>

WebPage::WebPage(QObject *parent, ShellHost *host)
    : QuietPage(parent, host ? host->bridge() : nullptr), shell(host)
{
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
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        lastGesture.start();
        break;
    default:
        break;
    }
    return QuietPage::event(event);
}

bool WebPage::mayOpenWindow()
{
    // One window per gesture: a click must not let a loop open hundreds.
    if (lastGesture.isValid() && lastGesture.elapsed() <= gestureMs) {
        lastGesture.invalidate();
        return true;
    }
    if (windowsOpenedUnasked >= windowsWithoutGesture)
        return false;
    ++windowsOpenedUnasked;
    return true;
}

QWebPage *WebPage::createWindow(WebWindowType)
{
    if (!shell || !shell->stack() || !mayOpenWindow())
        return nullptr;
    // WebKit's own agent, no window object, and no further windows.
    auto *webView = new QWebView;
    webView->setPage(new QuietPage(webView, shell->bridge()));
    webView->page()->networkAccessManager()->setCookieJar(new NetworkCookieJar(
        QStringLiteral(VANTARA_DEFAULT_START_PAGE), shell->paths().cookieFolder()));
    OpenedWindow::show(*shell, new WebKitAppView(webView));
    return webView->page();
}
