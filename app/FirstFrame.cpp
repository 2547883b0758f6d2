#include "app/FirstFrame.h"

#include <QElapsedTimer>
#include <QPalette>
#include <QPointer>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTimer>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

QColor FirstFrame::homeColour()
{
    // The compiled-in wallpaper's average, worked out once: decoding the full
    // picture for it took a tenth of the start-up. A test keeps it true.
    return QColor(0x3a, 0x67, 0xa8);
}

namespace
{
bool drawn(QWebView *home)
{
    return home->page()
        ->mainFrame()
        ->evaluateJavaScript(QStringLiteral(
            "(function(){ if (typeof one == 'undefined' || one != 1) return false;"
            " var p = document.querySelectorAll('#swipe_container div.item:first-child img,"
            " .dock img');"
            " for (var i = 0; i < p.length; i++) if (!p[i].complete) return false;"
            " return true; })()"))
        .toBool();
}
} // namespace

void FirstFrame::showWhenDrawn(QWidget *window, QWebView *home, QStackedWidget *stack)
{
    auto *poll = new QTimer(window);
    QElapsedTimer waited;
    waited.start();
    poll->setInterval(10);
    auto show = [window, poll] {
        if (!poll->isActive())
            return;
        poll->stop();
        poll->deleteLater();
        window->showFullScreen();
    };
    QObject::connect(poll, &QTimer::timeout, window, [home, waited, show] {
        if (drawn(home) || waited.hasExpired(maxWaitMs))
            show();
    });
    QObject::connect(stack, &QStackedWidget::currentChanged, poll, show);
    poll->start();
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
