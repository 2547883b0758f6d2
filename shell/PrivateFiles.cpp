#include "shell/PrivateFiles.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace
{
constexpr QFileDevice::Permissions folderMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner | QFileDevice::ReadUser |
                                                QFileDevice::WriteUser | QFileDevice::ExeUser;
constexpr QFileDevice::Permissions fileMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadUser | QFileDevice::WriteUser;

// The mask the process was started with; -1 until keepPrivate() ran.
int &startMask()
{
    static int mask = -1;
    return mask;
}

void makePrivate(const QFileInfo &entry)
{
    if (entry.isSymLink())
        return; // a link's target is not ours to change
    const QFileDevice::Permissions wanted = entry.isDir() ? folderMode : fileMode;
    if (entry.permissions() != wanted)
        QFile::setPermissions(entry.filePath(), wanted);
}
} // namespace

void PrivateFiles::keepPrivate()
{
#ifdef Q_OS_UNIX
    const int previous = int(::umask(S_IRWXG | S_IRWXO));
    if (startMask() < 0)
        startMask() = previous;
#endif
}

QFileDevice::Permissions PrivateFiles::sharedFilePermissions()
{
    const int mask = startMask() < 0 ? 022 : startMask();
    QFileDevice::Permissions p = fileMode;
    if (!(mask & 040))
        p |= QFileDevice::ReadGroup;
    if (!(mask & 020))
        p |= QFileDevice::WriteGroup;
    if (!(mask & 04))
        p |= QFileDevice::ReadOther;
    if (!(mask & 02))
        p |= QFileDevice::WriteOther;
    return p;
}

void PrivateFiles::tighten(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QFileInfo root(path);
        if (!root.exists() || root.isSymLink())
            continue;
        makePrivate(root);
        if (!root.isDir())
            continue;
        QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            makePrivate(it.fileInfo());
        }
    }
}
