#include "media/PageOnTop.h"

#include "shell/ScriptBridge.h"
#include "shell/ShellHost.h"

#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

QWebFrame *PageOnTop::frameForCalls(const ShellHost &host)
{
    QWebView *view = host.webViewOnTop();
    if (!view)
        return nullptr;
    QWebFrame *frame = view->page()->mainFrame();
    return ScriptBridge::mayUseApi(frame) ? frame : nullptr;
}

QWebFrame *PageOnTop::frameForPlayerCalls(const ShellHost &host)
{
    const QWidget *top = host.pageOnTop();
    if (!top || top->objectName() == QLatin1String("Music"))
        return nullptr;
    return frameForCalls(host);
}
