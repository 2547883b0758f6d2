#include "media/PageOnTop.h"

#include "shell/PageKind.h"
#include "shell/ScriptBridge.h"
#include "shell/ShellHost.h"

#include <QStackedWidget>
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

QWebFrame *PageOnTop::musicAppFrame(const ShellHost &host)
{
    QStackedWidget *stack = host.stack();
    for (int i = 0; stack && i < stack->count(); ++i) {
        QWidget *page = stack->widget(i);
        if (page->objectName() != QLatin1String("Music.map"))
            continue;
        QWebView *view = ShellHost::webViewIn(page);
        QWebFrame *frame = view ? view->page()->mainFrame() : nullptr;
        if (frame && ScriptBridge::mayUseApi(frame))
            return frame;
    }
    return nullptr;
}
