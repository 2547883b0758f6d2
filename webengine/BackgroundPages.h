#pragma once

#include "shell/ShellSettings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <vector>

class QWebEngineDownloadItem;
class ShellHost;
class WebEngineAppView;

// Rests the QtWebEngine pages of a shell that the user does not see. A page
// that has been out of sight (not on top of the stack) for freezeAfter
// seconds is frozen: its script and timers stop. After discardAfter seconds,
// or once more than keepLoaded pages out of sight are loaded (the least
// recently seen first), it is discarded: its renderer goes, and the engine
// loads its address again when it is shown. A page that plays sound or
// downloads stays awake; the engine itself keeps one that is loading or
// has a form being filled in from being discarded (its recommended state).
class BackgroundPages : public QObject
{
    Q_OBJECT

public:
    // The pages of shell, made the first time one is added.
    static BackgroundPages &of(ShellHost &shell);
    // Watches view from now on; the settings are read again.
    void add(WebEngineAppView *view);

private:
    struct Page {
        QPointer<WebEngineAppView> view;
        QElapsedTimer outOfSight; // since the page was last seen
        bool seen = true;         // on top at the last review
    };

    explicit BackgroundPages(ShellHost &shell);
    void review();
    bool onTop(WebEngineAppView *view) const;
    bool busy(const WebEngineAppView *view) const;
    void downloadRequested(QWebEngineDownloadItem *download);

    ShellHost &shell;
    ShellSettings settings;
    std::vector<Page> pages;
    std::vector<QPointer<QWebEngineDownloadItem>> downloads;
    QTimer next;
};
