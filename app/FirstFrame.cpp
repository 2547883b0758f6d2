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
    QPalette palette = window->palette();
    const QColor colour = homeColour();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    // The view paints an empty page in its page's base colour.
    home->page()->setPalette(palette);
    home->setPalette(palette);
    bar->setTextVisible(false);
    bar->hide();
}
