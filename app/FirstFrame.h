#pragma once

#include <QColor>

class QProgressBar;
class QStackedWidget;
class QWebView;
class QWidget;

// What the window shows before the home page has drawn itself: the home
// screen's own colour instead of a white page, and no progress bar until a
// page or a download has progress to show.
namespace FirstFrame
{
// The average colour of the home screen's compiled-in wallpaper.
QColor homeColour();
void apply(QWidget *window, QWebView *home, QProgressBar *bar);
// Shows window, full screen, once home has loaded and laid out the home
// screen with its grid filled and the pictures of the first page and the dock
// decoded, so that its first frame is the home screen as it stays; at once
// when an app's page comes onto stack first (a restored session); after
// maxWaitMs whatever there is.
void showWhenDrawn(QWidget *window, QWebView *home, QStackedWidget *stack);
constexpr int maxWaitMs = 3000;
} // namespace FirstFrame
