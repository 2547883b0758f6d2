#include "install/StagingFolder.h"

#include "install/FolderTree.h"
#include "install/ReplaceFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

namespace
{
bool isLink(const QFileInfo &info)
{
#ifdef Q_OS_WIN
    return info.isSymbolicLink() || info.isJunction();
#else
    return info.isSymbolicLink();
#endif
}

} // namespace

StagingFolder::~StagingFolder()
{
    if (!folder.isEmpty())
        FolderTree::remove(folder);
}

bool StagingFolder::create(const QString &destination, QString *error)
{
    const QFileInfo target(destination);
    const QString parent = target.absolutePath();
    if (!QDir().mkpath(parent)) {
        *error = QStringLiteral("cannot create the folder %1").arg(parent);
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = hiddenName(parent, target.fileName());
        if (QDir().mkdir(candidate)) {
            folder = candidate;
            return true;
        }
        if (!QFileInfo::exists(candidate))
            break;
    }
    *error = QStringLiteral("cannot create a working folder in %1").arg(parent);
    return false;
}

QString StagingFolder::filePath(const QStringList &components) const
{
    return folder + QLatin1Char('/') + components.join(QLatin1Char('/'));
}

bool StagingFolder::checkTargets(const QString &destination, const QList<QStringList> &paths,
                                 QString *error)
{
    const QFileInfo root(destination);
    if (!root.exists())
        return true; // a new folder: nothing in the way
    if (!root.isDir()) {
        *error = QStringLiteral("%1 is not a folder").arg(destination);
        return false;
    }
    QSet<QString> checkedFolders;
    for (const QStringList &path : paths) {
        QString at = destination;
        for (int i = 0; i < path.size(); ++i) {
            at += QLatin1Char('/') + path.at(i);
            const bool last = i == path.size() - 1;
            if (!last && checkedFolders.contains(at))
                continue;
            const QFileInfo info(at);
            if (isLink(info)) {
                *error = QStringLiteral("%1 would pass through a symbolic link")
                             .arg(path.join(QLatin1Char('/')));
                return false;
            }
            if (info.exists() && info.isDir() == last) {
                *error = QStringLiteral("%1 would replace a %2")
                             .arg(path.join(QLatin1Char('/')),
                                  last ? QStringLiteral("folder") : QStringLiteral("file"));
                return false;
            }
            if (!last)
                checkedFolders.insert(at);
        }
    }
    return true;
}

bool StagingFolder::putInPlace(const QString &destination, QString *error)
{
    const QFileInfo target(destination);
    if (!target.exists() && !target.isSymLink()) {
        // A new folder: the staging folder itself takes its place.
        if (!replaceFile(folder, destination, error))
            return false;
        folder.clear();
        return true;
    }
    // The new tree is made whole beside the old one, then the two swap
    // places: a failure on the way leaves the old folder untouched.
    if (!FolderTree::carryOver(destination, folder, error))
        return false;
    QString spare;
    if (!freeName(target.fileName(), &spare) ||
        !exchangeFolders(folder, destination, spare, error)) {
        if (spare.isEmpty())
            *error = QStringLiteral("cannot find a free name beside %1").arg(destination);
        return false;
    }
    // The old tree now sits at one of the two hidden names.
    FolderTree::remove(folder);
    FolderTree::remove(spare);
    folder.clear();
    return true;
}

bool StagingFolder::freeName(const QString &name, QString *path) const
{
    const QString parent = QFileInfo(folder).absolutePath();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = hiddenName(parent, name);
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink()) {
            *path = candidate;
            return true;
        }
    }
    return false;
}

QString StagingFolder::hiddenName(const QString &parent, const QString &name)
{
    return parent + QStringLiteral("/.") + name + QStringLiteral(".unpack-") +
           QString::number(QRandomGenerator::global()->generate(), 36);
}

bool StagingFolder::isHiddenName(const QString &name)
{
    // What hiddenName makes, as left behind by an unpacking that never ended.
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.unpack-[0-9a-z]+$"));
    return pattern.match(name).hasMatch();
}
