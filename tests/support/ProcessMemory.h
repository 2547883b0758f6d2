#pragma once

#include <QByteArray>
#include <QFile>

#if defined(__SANITIZE_ADDRESS__)
#define VANTARA_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTARA_UNDER_ASAN 1
#endif
#endif

// This process's memory as the kernel counts it, in KiB; -1 when unreadable.
namespace ProcessMemory
{
// field: "VmRSS" for resident memory now, "VmHWM" for its peak.
inline long statusKiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

inline long residentKiB()
{
    return statusKiB("VmRSS");
}
inline long peakResidentKiB()
{
    return statusKiB("VmHWM");
}
// Starts the peak over from the resident size now; false when unsupported.
inline bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}
} // namespace ProcessMemory

namespace ProcessMemory
{
// A field of /proc/<pid>/smaps_rollup ("Pss", "Pss_Anon", "Rss"), in KiB;
// -1 when unreadable (an older kernel, another user's process).
inline long rollupKiB(const QByteArray &field, const QByteArray &pid = "self")
{
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(QString::fromLatin1(pid)));
    if (!rollup.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : rollup.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}
} // namespace ProcessMemory
