#include "media/FolderTracks.h"

#include <QDir>
#include <QFileInfo>

QString FolderTracks::neighbour(const QString &path, int step, bool wrap)
{
    const QFileInfo song(path);
    if (path.isEmpty() || step == 0)
        return QString();
    QDir folder = song.absoluteDir();
    folder.setNameFilters({QStringLiteral("*.mp3")});
    folder.setFilter(QDir::Files);
    const QStringList names = folder.entryList();
    const int at = names.indexOf(song.fileName());
    if (at < 0 || names.isEmpty())
        return QString();
    int to = at + step;
    if (to < 0 || to >= names.size()) {
        if (!wrap)
            return QString();
        to = ((to % names.size()) + names.size()) % names.size();
    }
    return folder.absoluteFilePath(names[to]);
}
