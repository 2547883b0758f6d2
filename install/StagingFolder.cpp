#include "install/StagingFolder.h"

#include "install/ReplaceFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
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
        QDir(folder).removeRecursively();
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
        const QString candidate = parent + QStringLiteral("/.") + target.fileName() +
                                  QStringLiteral(".unpack-") +
                                  QString::number(QRandomGenerator::global()->generate(), 36);
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

bool StagingFolder::moveInto(const QString &destination, const QList<QStringList> &paths,
                             QString *error)
{
    if (!QFileInfo::exists(destination)) {
        // A new folder: the staging folder itself takes its place.
        if (!replaceFile(folder, destination, error))
            return false;
        folder.clear();
        return true;
    }
    QSet<QString> moved;
    for (const QStringList &path : paths) {
        const QString relative = path.join(QLatin1Char('/'));
        if (moved.contains(relative))
            continue;
        moved.insert(relative);
        const QString target = destination + QLatin1Char('/') + relative;
        if (!QDir().mkpath(QFileInfo(target).absolutePath())) {
            *error = QStringLiteral("cannot create the folder for %1").arg(relative);
            return false;
        }
        if (!replaceFile(filePath(path), target, error))
            return false;
    }
    return true;
}
