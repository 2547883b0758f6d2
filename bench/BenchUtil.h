#pragma once

// What several benchmarks measure with: the median of a sample, a wait for
// what the user sees to settle, the display to measure on, the time a view is
// first painted with what is awaited, and a music folder of empty songs named
// as a real library's would be.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <vector>

namespace Bench
{
// A benchmark's command line: the number of rounds first (default 3, at
// least 1), then the parts to run; none named runs them all.
struct Parts {
    int rounds = 3;
    QStringList named;

    Parts(int argc, char **argv)
    {
        if (argc > 1)
            rounds = std::max(1, QByteArray(argv[1]).toInt());
        for (int i = 2; i < argc; ++i)
            named << QString::fromLocal8Bit(argv[i]);
    }
    bool wanted(const char *part) const
    {
        return named.isEmpty() || named.contains(QLatin1String(part));
    }
};

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Paints, timers and deferred deletions done, for ms.
inline void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// On the display the benchmark is given, as users see it; offscreen only
// when there is none. Call before the application object exists.
inline void useDisplayWhenThere()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The time, on clock, of the first paint of a widget once ready() holds:
// the moment what was awaited reaches the screen.
class PaintWatch : public QObject
{
public:
    PaintWatch(const QElapsedTimer &since, std::function<bool()> isReady)
        : clock(since), ready(std::move(isReady))
    {
    }
    void watch(QWidget *w)
    {
        widget = w;
        widget->installEventFilter(this);
    }
    bool watching() const { return widget; }
    double paintedAt() const { return ms; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == widget && event->type() == QEvent::Paint && ms < 0 && ready())
            ms = clock.nsecsElapsed() / 1e6;
        return false;
    }

private:
    const QElapsedTimer &clock;
    std::function<bool()> ready;
    QPointer<QWidget> widget;
    double ms = -1;
};

// Asks widget for a paint and waits until it has been painted: what it
// shows now is on the screen.
inline bool waitPainted(QWidget *widget, int timeoutMs = 30000)
{
    QElapsedTimer clock;
    clock.start();
    PaintWatch painted(clock, [] { return true; });
    painted.watch(widget);
    widget->update();
    while (painted.paintedAt() < 0 && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return painted.paintedAt() >= 0;
}

// Where a server on this machine serves the page of remote app i.
inline QString remotePath(int i)
{
    return QStringLiteral("/app%1").arg(i);
}

// The widget that shows a view's page: QtWebEngine paints into one inside
// its view.
inline QWidget *pageSurface(QWidget *view)
{
    return view->focusProxy() ? view->focusProxy() : view;
}

inline bool makeSongs(const QString &folder, int count)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int i = 0; i < count; ++i) {
        QFile f(folder + QStringLiteral("/Artist %1 - Song title %2.mp3").arg(i % 97).arg(i));
        if (!f.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}
} // namespace Bench
