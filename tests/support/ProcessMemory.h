#pragma once

#include <QByteArray>
#include <QFile>
#include <QMultiHash>
#include <algorithm>

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

#include <QDir>
#include <QList>

namespace ProcessMemory
{
// The processes started by pid and by those it started, pid first: a
// program's whole tree (QtWebEngine's and Chromium's helper processes).
inline QList<QByteArray> processTree(const QByteArray &pid)
{
    QList<QByteArray> tree{pid};
    QMultiHash<QByteArray, QByteArray> children;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!entry.at(0).isDigit() || !stat.open(QIODevice::ReadOnly))
            continue;
        // After the command in parentheses: state, then the parent's id.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1)
            children.insert(rest[1], entry.toLatin1());
    }
    for (int i = 0; i < tree.size(); ++i)
        tree += children.values(tree[i]);
    return tree;
}

// field summed over pid's whole tree, in KiB; -1 when pid's is unreadable.
inline long treeRollupKiB(const QByteArray &field, const QByteArray &pid)
{
    long sum = 0;
    for (const QByteArray &p : processTree(pid)) {
        const long kib = rollupKiB(field, p);
        if (kib < 0 && p == pid)
            return -1;
        sum += std::max(kib, 0L);
    }
    return sum;
}
} // namespace ProcessMemory
