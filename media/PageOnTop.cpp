#include "media/PageOnTop.h"

#include "shell/PageKind.h"
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
    const PageKind kind = kindOf(host.pageOnTop());
    if (kind == PageKind::None || kind == PageKind::TrackDisplay)
        return nullptr;
    return frameForCalls(host);
}
