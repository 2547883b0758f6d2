#include "app/FirstFrame.h"

#include <QImage>
#include <QPalette>
#include <QProgressBar>
#include <QWebPage>
#include <QWebView>

QColor FirstFrame::homeColour()
{
    const QImage wallpaper(QStringLiteral(":/assets/bg/m10.jpg"));
    if (wallpaper.isNull())
        return QColor(0x20, 0x28, 0x30);
    return wallpaper.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
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
