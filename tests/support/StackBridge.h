#pragma once

#include "shell/PageStack.h"
#include "shell/ScriptBridge.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QWebFrame>

class QNetworkReply;

// Stands in for the main window as the bridge of app pages: its slots forward
// to a PageStack as the main window's do, localapp places api as the main
// window does, and the calls are counted.
class StackBridge : public QObject
{
    Q_OBJECT

public:
    PageStack *pages = nullptr;
    int loads = 0;
    int destroyedViews = 0;
    int unsupported = 0;

public slots:
    void pageloaded(bool)
    {
        ++loads;
        if (pages)
            pages->pageloaded();
    }
    void closeapp()
    {
        if (pages)
            pages->closeapp();
    }
    void homescreen()
    {
        if (pages)
            pages->homescreen();
    }
    void linkClickedSlot(QUrl url)
    {
        if (pages)
            pages->linkClicked(url);
    }
    void objectDestroyed() { ++destroyedViews; }
    void unsupportedContent(QNetworkReply *) { ++unsupported; }
    void localapp()
    {
        auto *frame = qobject_cast<QWebFrame *>(sender());
        ScriptBridge::place(frame, this, ScriptBridge::appName(), ScriptBridge::mayUseApi(frame));
    }
};
