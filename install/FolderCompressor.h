#pragma once

#include "install/ArchiveIndex.h"

#include <QObject>
#include <QSet>
#include <QString>

class CompressedBlock;
class QSaveFile;

// Packs a folder tree into one folder archive and unpacks such an archive;
// app packages (".lpk") are archives of one app folder. Synchronous; each
// operation returns whether it succeeded and leaves a reason in
// errorString(). Files are streamed, so memory stays bounded whatever their
// size. A failed pack leaves no archive behind (an existing one stays as it
// was); a failed unpack leaves the destination as it was.
class FolderCompressor : public QObject
{
    Q_OBJECT

public:
    explicit FolderCompressor(QObject *parent = nullptr);

    // Writes the regular files of sourceFolder (hidden and system entries
    // left out, sub-folders first, names in case-insensitive order). Refuses
    // what unpackArchive would refuse of the archive (a name it does not
    // take, more entries or bytes than the limits, contents too many times
    // the archive's size) and names the file or folder.
    bool packFolder(const QString &sourceFolder, const QString &archivePath);

    // Reads the whole archive first; only a good archive within the limits
    // (by the sizes its records announce; a block that inflates to more
    // than its own announces is refused as it inflates) is unpacked, into a
    // working folder beside destinationFolder, together with the files of
    // destinationFolder it does not carry; that folder then takes
    // destinationFolder's place whole.
    bool unpackArchive(const QString &archivePath, const QString &destinationFolder);

    QString errorString() const { return error; }
    void setLimits(const ArchiveLimits &limits) { this->limits = limits; }

private:
    bool packTree(const QString &folder, const QString &prefix);
    bool packFile(const QString &path, const QString &name);
    bool checkEntry(const QString &path, const QString &name, quint64 size);
    bool fail(const QString &why);

    QSaveFile *archive = nullptr; // while packing
    CompressedBlock *block = nullptr;
    QSet<QString> openFolders; // canonical paths being packed, against link loops
    int packedEntries = 0;
    quint64 packedSize = 0;
    ArchiveLimits limits;
    QString error;
};
