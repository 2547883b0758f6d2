#include "install/InstallLeftovers.h"

#include "install/Download.h"
#include "install/FolderTree.h"
#include "install/StagingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{
bool isLink(const QFileInfo &info)
{
#ifdef Q_OS_WIN
    return info.isSymbolicLink() || info.isJunction() || info.isShortcut();
#else
    return info.isSymLink();
#endif
}

bool removeEntry(const QFileInfo &info)
{
    const QString path = info.absoluteFilePath();
    if (isLink(info) || !info.isDir())
        return QFile::remove(path) || QDir().rmdir(path); // a junction goes as a folder
    // An old app tree left by a swap may hold read-only folders.
    return FolderTree::remove(path);
}

int cleanFolder(const QString &folder, bool (*matches)(const QString &))
{
    if (folder.isEmpty())
        return 0;
    int removed = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                             QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries)
        if (matches(entry.fileName()) && removeEntry(entry))
            ++removed;
    return removed;
}

bool isAnyLeftover(const QString &name)
{
    return InstallLeftovers::isPartialDownload(name) || InstallLeftovers::isUnpackFolder(name);
}
} // namespace

bool InstallLeftovers::isPartialDownload(const QString &name)
{
    return Download::isBodyFileName(name);
}

bool InstallLeftovers::isUnpackFolder(const QString &name)
{
    return StagingFolder::isHiddenName(name);
}

int InstallLeftovers::clean(const QString &appsFolder, const QString &documentsFolder)
{
    int removed = cleanFolder(appsFolder, isAnyLeftover);
    if (QFileInfo(documentsFolder).canonicalFilePath() != QFileInfo(appsFolder).canonicalFilePath())
        removed += cleanFolder(documentsFolder, isPartialDownload);
    return removed;
}
