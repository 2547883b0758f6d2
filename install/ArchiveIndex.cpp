#include "install/ArchiveIndex.h"

#include "install/ArchiveFormat.h"
#include "install/CompressedBlock.h"

#include <QIODevice>

quint64 ArchiveLimits::maxContentsOf(quint64 archiveSize) const
{
    const quint64 byRatio = maxExpansion != 0 && archiveSize > ~0ull / maxExpansion
                                ? ~0ull
                                : archiveSize * maxExpansion;
    return qMax(byRatio, expansionAllowance);
}

bool ArchiveIndex::fail(const QString &why)
{
    error = QStringLiteral("record %1: %2").arg(list.size() + 1).arg(why);
    return false;
}

bool ArchiveIndex::scan(QIODevice &archive, const ArchiveLimits &limits)
{
    list.clear();
    total = 0;
    error.clear();
    const qint64 end = archive.size();
    if (!archive.seek(0))
        return fail(QStringLiteral("cannot read the archive"));

    while (archive.pos() < end) {
        if (list.size() >= limits.maxEntries)
            return fail(QStringLiteral("more than %1 entries").arg(limits.maxEntries));
        ArchiveEntry entry;
        quint32 nameLength = 0;
        if (!ArchiveFormat::readU32(archive, &nameLength))
            return fail(QStringLiteral("the archive is truncated in a name's length"));
        if (nameLength == ArchiveFormat::nullLength || nameLength == 0)
            return fail(QStringLiteral("an entry without a name"));
        if (nameLength % 2 != 0)
            return fail(QStringLiteral("a name length of %1 bytes is odd").arg(nameLength));
        if (nameLength / 2 > quint32(limits.maxNameLength))
            return fail(QStringLiteral("a name of %1 characters is too long").arg(nameLength / 2));
        if (qint64(nameLength) > end - archive.pos())
            return fail(QStringLiteral("the archive is truncated in a name"));
        entry.name = ArchiveFormat::decodeName(archive.read(nameLength));

        QString reason;
        entry.path = ArchiveFormat::entryPath(entry.name, &reason);
        if (entry.path.isEmpty())
            return fail(QStringLiteral("the name \"%1\" is refused: %2").arg(entry.name, reason));

        if (!ArchiveFormat::readU32(archive, &entry.blockLength))
            return fail(QStringLiteral("the archive is truncated in a block's length"));
        entry.blockOffset = archive.pos();
        const qint64 stored =
            entry.blockLength == ArchiveFormat::nullLength ? 0 : qint64(entry.blockLength);
        if (stored > end - entry.blockOffset)
            return fail(
                QStringLiteral("the archive is truncated in the data of \"%1\"").arg(entry.name));
        if (!CompressedBlock::claimedSize(archive, entry.blockLength, &entry.size, &reason))
            return fail(QStringLiteral("\"%1\": %2").arg(entry.name, reason));
        total += entry.size;
        if (total > limits.maxTotalSize)
            return fail(QStringLiteral("the contents add up to more than %1 bytes")
                            .arg(limits.maxTotalSize));
        if (total > limits.maxContentsOf(quint64(end)))
            return fail(QStringLiteral("the contents add up to more than %1 times the archive's "
                                       "%2 bytes")
                            .arg(limits.maxExpansion)
                            .arg(end));
        list.append(entry);
        if (!archive.seek(entry.blockOffset + stored))
            return fail(QStringLiteral("cannot read the archive"));
    }
    return true;
}
