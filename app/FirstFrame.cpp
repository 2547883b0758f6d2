#include "app/FirstFrame.h"

#include <QPalette>
#include <QProgressBar>
#include <QWebPage>
#include <QWebView>

QColor FirstFrame::homeColour()
{
    // The compiled-in wallpaper's average, worked out once: decoding the full
    // picture for it took a tenth of the start-up. A test keeps it true.
    return QColor(0x3a, 0x67, 0xa8);
}

void FirstFrame::apply(QWidget *window, QWebView *home, QProgressBar *bar)
{
    const QColor colour = homeColour();
    // Only the window's own ground: app views, its children, keep the white
    // base that pages without a background expect.
    QPalette ground = window->palette();
    ground.setColor(QPalette::Window, colour);
    window->setPalette(ground);
    window->setAutoFillBackground(true);
    // The home view paints its empty page in its page's base colour.
    QPalette homePalette = home->palette();
    homePalette.setColor(QPalette::Base, colour);
    home->page()->setPalette(homePalette);
    home->setPalette(homePalette);
    bar->setTextVisible(false);
    bar->hide();
}
