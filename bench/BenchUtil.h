#pragma once

// What several benchmarks measure with: the median of a sample, a wait for
// what the user sees to settle, and a music folder of empty songs named as a
// real library's would be.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <algorithm>
#include <vector>

namespace Bench
{
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
