#include "shell/ShellHost.h"

#include "shell/AppView.h"
#include "shell/Messages.h"
#include "shell/NotificationCenter.h"
#include "shell/PageProgress.h"
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

QWidget *ShellHost::homeScreen() const
{
    return homeView();
}

QWidget *ShellHost::pageOnTop() const
{
    QStackedWidget *s = stack();
    return s ? s->currentWidget() : nullptr;
}

AppView *ShellHost::viewOnTop() const
{
    return AppView::of(pageOnTop());
}

QWebView *ShellHost::webViewOnTop() const
{
    return webViewIn(pageOnTop());
}

QWebView *ShellHost::webViewIn(QWidget *page)
{
    if (auto *view = qobject_cast<QWebView *>(page))
        return view;
    const AppView *view = AppView::of(page);
    return view ? qobject_cast<QWebView *>(view->widget()) : nullptr;
}

void ShellHost::follow(AppView *view)
{
    // Once per view, however often it is handed over.
    if (!view || view->property("vantaraFollowed").toBool())
        return;
    view->setProperty("vantaraFollowed", true);
    hookViewLoads(view);
    PageProgress::follow(view, progressBar());
    // A title such as "(3) Inbox" counts on the app's badges.
    QObject::connect(view, &AppView::titleChanged, view, [view] {
        if (NotificationCenter *center = NotificationCenter::of(view->widget()))
            center->titleChanged(view->widget(), view->title());
    });
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
