#include "web/MemoryRelease.h"

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

void MemoryRelease::release()
{
    // Dead resources, cached pages, font data and compiled code go; the
    // engine collects its garbage soon after.
    QWebSettings::clearMemoryCaches();
#ifdef __GLIBC__
    // Freed heap stays with the process until it is trimmed.
    QTimer::singleShot(1000, [] { malloc_trim(0); });
#endif
}
