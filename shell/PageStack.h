#pragma once

#include <QObject>
#include <QUrl>

class QWidget;
class ShellHost;

// The stack of open app pages over the home screen: showing, switching and
// closing pages, naming tabs after page titles, and the home page's layout
// once it has loaded.
class PageStack : public QObject
{
    Q_OBJECT

public:
    PageStack(ShellHost &shell, QObject *parent = nullptr);

    // Hides the stack; the pages keep running.
    void homescreen();
    // Shows page i (an index outside the stack changes no page) and the stack.
    void appswitch(int i);
    // Slides the stack in from the right edge at page showIndex.
    void showapp();
    // Takes the page on top out of the stack and releases it; the last page
    // becomes current, or the stack hides when none is left; the home page
    // drops the tab of a page that closed itself. The page's own objects go
    // once control returns to the event loop, so a page may close itself
    // from its own script.
    void closeapp();
    // Resets the progress bar and names the selected tab after the title of
    // the page on top (its first 10 characters).
    void pageloaded();
    // Loads url into the page on top.
    void linkClicked(const QUrl &url);
    // The home page has loaded: it covers the desktop, the progress bar
    // becomes a thin line along the top edge, and the shortcuts are made.
    void homeLoaded();

private:
    ShellHost &shell;
};
