#include "shell/ShellHost.h"

#include "shell/Messages.h"
#include "shell/ScriptBridge.h"
#include "shell/ShellPaths.h"

#include <QStackedWidget>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

QWebFrame *ShellHost::homeFrame() const
{
    // Whatever else the home view was made to show (a dropped link, a
    // navigation) hears nothing of the shell's calls: app names, paths, tabs.
    QWebView *view = homeView();
    QWebFrame *frame = view ? view->page()->mainFrame() : nullptr;
    return frame && ScriptBridge::isHomePage(frame->url()) ? frame : nullptr;
}

QWidget *ShellHost::pageOnTop() const
{
    QStackedWidget *s = stack();
    return s ? s->currentWidget() : nullptr;
}

QWebView *ShellHost::webViewOnTop() const
{
    return qobject_cast<QWebView *>(pageOnTop());
}

QString ShellHost::programFolder() const
{
    return paths().programFolder();
}

QString ShellHost::appsFolder() const
{
    return paths().appsFolder();
}

void ShellHost::message(const QString &text) const
{
    Messages::show(text);
}
