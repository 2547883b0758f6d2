#pragma once

#include <QColor>

class QProgressBar;
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
} // namespace FirstFrame
