#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A hidden folder (".<name>.unpack-<random>") beside a destination folder
// where an archive is unpacked first; it takes the destination's place whole
// only when all of its files were written. Removed with everything in it
// unless it was put in place.
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

    // Makes the staged tree the destination: the destination's files that
    // it lacks are carried over, then the two folders swap places and the
    // old tree is removed. On failure the destination stays as it was.
    // destination must be a real folder (no link) in the staging folder's
    // parent.
    bool putInPlace(const QString &destination, QString *error);

    // Whether a folder name is one that a staging folder (or an old tree
    // after a swap) is given: hidden, ".<name>.unpack-<random>".
    static bool isHiddenName(const QString &name);

private:
    static QString hiddenName(const QString &parent, const QString &name);
    bool freeName(const QString &name, QString *path) const;

    QString folder;
};
