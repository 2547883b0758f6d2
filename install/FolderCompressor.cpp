#include "install/FolderCompressor.h"

#include "install/ArchiveFormat.h"
#include "install/CompressedBlock.h"
#include "install/StagingFolder.h"
#include "shell/ResolvedPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace
{
const QDir::SortFlags listingOrder = QDir::Name | QDir::IgnoreCase;

// Whether path lies in folder or below it.
bool isInside(const QString &path, const QString &folder)
{
    return path == folder ||
           path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}
} // namespace

FolderCompressor::FolderCompressor(QObject *parent) : QObject(parent) {}

bool FolderCompressor::fail(const QString &why)
{
    error = why;
    return false;
}

bool FolderCompressor::packFolder(const QString &sourceFolder, const QString &archivePath)
{
    error.clear();
    const QFileInfo source(sourceFolder);
    if (!source.isDir())
        return fail(QStringLiteral("there is no folder %1").arg(sourceFolder));
    const QString archiveFolder = QFileInfo(archivePath).absoluteDir().canonicalPath();
    if (!archiveFolder.isEmpty() && isInside(archiveFolder, source.canonicalFilePath()))
        return fail(QStringLiteral("the archive %1 must not lie inside the folder it packs")
                        .arg(archivePath));

    QSaveFile file(archivePath);
    if (!file.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write %1: %2").arg(archivePath, file.errorString()));
    CompressedBlock codec;
    archive = &file;
    block = &codec;
    openFolders.clear();
    packedEntries = 0;
    packedSize = 0;
    bool packed = packTree(source.absoluteFilePath(), QString());
    archive = nullptr;
    block = nullptr;
    // Known only once all is written: files that compress too well make an
    // archive the unpacker takes for a bomb.
    if (packed && packedSize > limits.maxContentsOf(quint64(file.size())))
        packed = fail(QStringLiteral("cannot pack %1: its files (%2 bytes) are more than %3 "
                                     "times the archive's %4 bytes, which unpacking refuses")
                          .arg(sourceFolder)
                          .arg(packedSize)
                          .arg(limits.maxExpansion)
                          .arg(file.size()));
    if (!packed) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(archivePath, file.errorString()));
    return true;
}

bool FolderCompressor::packTree(const QString &folder, const QString &prefix)
{
    const QDir dir(folder);
    if (!dir.exists())
        return fail(QStringLiteral("there is no folder %1").arg(folder));
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (openFolders.contains(canonical))
        return true; // a link back to a folder being packed: its files are there already
    openFolders.insert(canonical);

    const QFileInfoList folders =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, listingOrder);
    for (const QFileInfo &sub : folders) {
        if (!packTree(sub.absoluteFilePath(), ArchiveFormat::entryName(prefix, sub.fileName())))
            return false;
    }
    const QFileInfoList files = dir.entryInfoList(QDir::Files, listingOrder);
    for (const QFileInfo &f : files) {
        if (!packFile(f.absoluteFilePath(), ArchiveFormat::entryName(prefix, f.fileName())))
            return false;
    }
    openFolders.remove(canonical);
    return true;
}

bool FolderCompressor::packFile(const QString &path, const QString &name)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    const quint64 size = quint64(file.size());
    QString why;
    if (size > CompressedBlock::maxContentSize)
        return fail(QStringLiteral("%1: %2 bytes is more than the archive format can hold in "
                                   "one entry (at most 4294967295)")
                        .arg(path)
                        .arg(size));
    if (!checkEntry(path, name, size))
        return false;

    // The block's length is known only once it is written: leave room for
    // it and fill it in afterwards.
    if (archive->write(ArchiveFormat::encodeName(name)) < 0 ||
        !ArchiveFormat::writeU32(*archive, 0))
        return fail(QStringLiteral("cannot write the archive: %1").arg(archive->errorString()));
    const qint64 lengthAt = archive->pos() - 4;
    const qint64 length = block->write(file, size, *archive, &why);
    if (length < 0)
        return fail(QStringLiteral("%1: %2").arg(path, why));
    char extra;
    if (file.read(&extra, 1) != 0)
        return fail(QStringLiteral("%1 grew while it was packed").arg(path));
    const qint64 end = archive->pos();
    if (!archive->seek(lengthAt) || !ArchiveFormat::writeU32(*archive, quint32(length)) ||
        !archive->seek(end))
        return fail(QStringLiteral("cannot write the archive: %1").arg(archive->errorString()));
    return true;
}

bool FolderCompressor::checkEntry(const QString &path, const QString &name, quint64 size)
{
    // An archive the unpacker refuses is refused whole, so one such file
    // would make the whole package useless.
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString why;
    for (const QString &part : parts) {
        if (!ArchiveFormat::isSafeComponent(part, &why))
            return fail(QStringLiteral("cannot pack %1: the name \"%2\" would be refused when "
                                       "unpacked (%3); rename it")
                            .arg(path, part, why));
    }
    if (name.size() > limits.maxNameLength)
        return fail(QStringLiteral("cannot pack %1: its name in the archive is longer than %2 "
                                   "characters")
                        .arg(path)
                        .arg(limits.maxNameLength));
    if (packedEntries >= limits.maxEntries)
        return fail(QStringLiteral("cannot pack %1: an archive holds at most %2 files")
                        .arg(path)
                        .arg(limits.maxEntries));
    if (size > limits.maxTotalSize - packedSize)
        return fail(QStringLiteral("cannot pack %1: the files add up to more than %2 bytes")
                        .arg(path)
                        .arg(limits.maxTotalSize));
    ++packedEntries;
    packedSize += size;
    return true;
}

bool FolderCompressor::unpackArchive(const QString &archivePath, const QString &destinationFolder)
{
    error.clear();
    // "out/", "." and "a/../b" name the folder itself, whose parent holds the
    // working folder. Through links (an Apps folder or app folder that is
    // one) the work happens beside the real folder, on its file system, and
    // the links stay as they are.
    const QString asked = QDir::cleanPath(QFileInfo(destinationFolder).absoluteFilePath());
    for (QFileInfo step(asked); !step.isRoot(); step = QFileInfo(step.path())) {
        if (step.isSymLink() && !step.exists())
            return fail(QStringLiteral("cannot unpack into %1: %2 is a symbolic link to nothing")
                            .arg(asked, step.filePath()));
    }
    const QString destination = ResolvedPath::of(asked);
    if (destination.isEmpty())
        return fail(QStringLiteral("cannot unpack into %1: its symbolic links go round in a loop")
                        .arg(asked));
    QFile file(archivePath);
    if (!QFileInfo(archivePath).isFile())
        return fail(QStringLiteral("there is no archive %1").arg(archivePath));
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(archivePath, file.errorString()));

    ArchiveIndex index;
    if (!index.scan(file, limits))
        return fail(
            QStringLiteral("%1 is not a good archive: %2").arg(archivePath, index.errorString()));
    QList<QStringList> paths;
    paths.reserve(index.entries().size());
    for (const ArchiveEntry &e : index.entries())
        paths.append(e.path);
    QString why;
    if (!StagingFolder::checkTargets(destination, paths, &why))
        return fail(QStringLiteral("cannot unpack into %1: %2").arg(destination, why));

    StagingFolder staging;
    if (!staging.create(destination, &why))
        return fail(why);
    const QStorageInfo storage(staging.path());
    if (storage.isValid() && quint64(storage.bytesAvailable()) < index.totalSize())
        return fail(QStringLiteral("not enough free space for %1 bytes in %2")
                        .arg(index.totalSize())
                        .arg(destination));

    CompressedBlock block;
    QSet<QString> folders;
    for (const ArchiveEntry &e : index.entries()) {
        const QString target = staging.filePath(e.path);
        const QString folder = QFileInfo(target).absolutePath();
        QFile out(target);
        if (!folders.contains(folder) && !QDir().mkpath(folder))
            return fail(QStringLiteral("cannot create the folder of \"%1\": a file of the archive "
                                       "has the same name")
                            .arg(e.name));
        folders.insert(folder);
        if (!out.open(QIODevice::WriteOnly))
            return fail(QStringLiteral("cannot create \"%1\": %2").arg(e.name, out.errorString()));
        if (!file.seek(e.blockOffset) || !block.read(file, e.blockLength, out, &why))
            return fail(QStringLiteral("%1 is not a good archive: \"%2\": %3")
                            .arg(archivePath, e.name, why));
        if (!out.flush() || out.error() != QFileDevice::NoError)
            return fail(QStringLiteral("cannot write %1: %2").arg(e.name, out.errorString()));
    }
    if (!staging.putInPlace(destination, &why))
        return fail(QStringLiteral("cannot unpack into %1: %2").arg(destination, why));
    return true;
}
