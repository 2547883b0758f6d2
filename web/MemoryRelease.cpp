#include "web/MemoryRelease.h"

#include <QStackedWidget>
#include <QTimer>
#include <QWebSettings>
#include <QWebView>
#include <memory>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void MemoryRelease::afterStartup(QWebView *home, int delayMs)
{
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(home, &QWebView::loadFinished, home, [once, home, delayMs] {
        QObject::disconnect(*once);
        QTimer::singleShot(delayMs, home, &MemoryRelease::release);
    });
}

namespace
{
int released = 0;
}

QTimer *MemoryRelease::afterPagesClose(QStackedWidget *stack, int quietMs)
{
    auto *quiet = new QTimer(stack);
    quiet->setSingleShot(true);
    quiet->setInterval(quietMs);
    QObject::connect(quiet, &QTimer::timeout, quiet, &MemoryRelease::release);
    // Armed by a close; an open while it runs pushes it back, never arms it.
    QObject::connect(stack, &QStackedWidget::widgetRemoved, quiet, qOverload<>(&QTimer::start));
    QObject::connect(stack, &QStackedWidget::currentChanged, quiet, [quiet] {
        if (quiet->isActive())
            quiet->start();
    });
    return quiet;
}

int MemoryRelease::releases()
{
    return released;
}

void MemoryRelease::release()
{
    ++released;
    // Dead resources, cached pages, font data and compiled code go, and the
    // engine collects its garbage.
    QWebSettings::clearMemoryCaches();
#ifdef __GLIBC__
    // Freed heap stays with the process until it is trimmed.
    QTimer::singleShot(1000, [] { malloc_trim(0); });
#endif
}
