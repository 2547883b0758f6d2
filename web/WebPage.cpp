#include "web/WebPage.h"

#include "shell/Addresses.h"
#include "shell/PageProgress.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"
#include "web/NetworkCookieJar.h"

#include <QEvent>
#include <QNetworkAccessManager>
#include <QStackedWidget>
#include <QWebView>

WebPage::WebPage(QObject *parent, ShellHost *host)
    : QuietPage(parent, host ? host->hookTarget() : nullptr), shell(host)
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

bool WebPage::takeGesture(int ms)
{
    if (!lastGesture.isValid() || lastGesture.elapsed() > ms)
        return false;
    lastGesture.invalidate();
    return true;
}

bool WebPage::mayOpenWindow()
{
    // One window per gesture: a click must not let a loop open hundreds.
    if (takeGesture(gestureMs))
        return true;
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
    auto *view = new QWebView;
    // Owned by the window, as app pages are: the view may go while the
    // page waits for a dialog of its own (web/PageDialogs).
    view->setPage(new QuietPage(shell->mainWindow(), shell->hookTarget()));
    shell->stack()->addWidget(view);
    shell->stack()->setCurrentWidget(view);
    view->setAttribute(Qt::WA_QuitOnClose);
    view->page()->networkAccessManager()->setCookieJar(new NetworkCookieJar(
        QStringLiteral(VANTARA_DEFAULT_START_PAGE), shell->paths().cookieFolder()));
    shell->hookPageLoads(view->page());
    PageProgress::follow(view->page(), shell->progressBar());
    ScriptCall::run(shell->homeFrame(), QStringLiteral("createTab"), {"New..."});
    return view->page();
}
