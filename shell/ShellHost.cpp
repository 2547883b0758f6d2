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
    return webViewIn(pageOnTop());
}

QWebView *ShellHost::webViewIn(QWidget *page)
{
    if (auto *view = qobject_cast<QWebView *>(page))
        return view;
    if (!page || !page->property("wrapsWebView").toBool())
        return nullptr;
    return page->findChild<QWebView *>(QString(), Qt::FindDirectChildrenOnly);
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
