#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A hidden folder beside a destination folder where an archive is unpacked
// first; its files move into the destination only when all of them were
// written. Removed with everything in it unless it was moved into place.
class StagingFolder
{
public:
    StagingFolder() = default;
    ~StagingFolder();
    StagingFolder(const StagingFolder &) = delete;
    StagingFolder &operator=(const StagingFolder &) = delete;

    // Makes a new empty folder in the destination's parent folder.
    bool create(const QString &destination, QString *error);
    QString path() const { return folder; }
    QString filePath(const QStringList &components) const;

    // Whether each path can take its place under destination: no step may be
    // a symbolic link or a file where a folder is needed, and no file may
    // replace a folder or a link.
    static bool checkTargets(const QString &destination, const QList<QStringList> &paths,
                             QString *error);

    // Moves the files at paths into destination, replacing files of the same
    // names and leaving other files there alone.
    bool moveInto(const QString &destination, const QList<QStringList> &paths, QString *error);

private:
    QString folder;
};
