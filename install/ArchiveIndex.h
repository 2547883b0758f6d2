#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

// What an archive may ask of the machine before anything is written. A
// megabyte of deflate can hold a gigabyte of zeros: the contents are bounded
// by the archive's own size as well as in total.
struct ArchiveLimits {
    quint64 maxTotalSize = 2ull << 30;    // all entries' contents together
    quint64 maxExpansion = 100;           // contents per byte of archive...
    quint64 expansionAllowance = 1 << 20; // ...beyond what any archive may hold
    int maxEntries = 200000;
    int maxNameLength = 4096; // code units of one name

    // The most contents an archive of archiveSize bytes may unpack to.
    quint64 maxContentsOf(quint64 archiveSize) const;
};

// One record of an archive, as found by a first pass that reads names and
// size fields and skips over the compressed data.
struct ArchiveEntry {
    QString name;
    QStringList path; // components below the destination
    qint64 blockOffset = 0;
    quint32 blockLength = 0;
    quint64 size = 0; // what the block claims
};

// Reads the record structure of a whole archive: every name must be one
// that stays below the destination, every field must fit in what is left of
// the file and the totals must stay within the limits. A cut record, an odd
// name length or an impossible size makes the whole archive bad.
class ArchiveIndex
{
public:
    bool scan(QIODevice &archive, const ArchiveLimits &limits);

    const QList<ArchiveEntry> &entries() const { return list; }
    quint64 totalSize() const { return total; }
    QString errorString() const { return error; }

private:
    bool fail(const QString &why);

    QList<ArchiveEntry> list;
    quint64 total = 0;
    QString error;
};
