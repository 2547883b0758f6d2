#include "shell/ShellHost.h"

#include "shell/Messages.h"

#include <QStackedWidget>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

QWebFrame *ShellHost::homeFrame() const
{
    QWebView *view = homeView();
    return view ? view->page()->mainFrame() : nullptr;
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

QString ShellHost::appsFolder() const
{
    return programFolder() + QStringLiteral("//Apps");
}

void ShellHost::message(const QString &text) const
{
    Messages::show(text);
}
