#include "apps/ScaledWallpaper.h"

#include "shell/ShellHost.h"
#include "shell/ShellPaths.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>

namespace
{
const char prefix[] = "wallpaper-";

QString stampOf(const QFileInfo &picture, const QSize &screen)
{
    const QString key = picture.absoluteFilePath() + QLatin1Char('\n') +
                        QString::number(picture.size()) + QLatin1Char('\n') +
                        QString::number(picture.lastModified().toMSecsSinceEpoch()) +
                        QLatin1Char('\n') + QString::number(screen.width()) + QLatin1Char('x') +
                        QString::number(screen.height());
    return QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(20));
}

void removeOlderCopies(QDir folder, const QString &keep)
{
    const QStringList copies =
        folder.entryList({QLatin1String(prefix) + QLatin1Char('*')}, QDir::Files);
    for (const QString &name : copies)
        if (name != keep)
            folder.remove(name);
}
} // namespace

QString ScaledWallpaper::folderOf(const ShellHost &host)
{
    return host.paths().workingFolder() + QStringLiteral("/cache/wallpaper");
}

QString ScaledWallpaper::copyFor(const ShellHost &host, const QString &picture)
{
    return copyOf(picture, host.screenArea().size(), folderOf(host));
}

QString ScaledWallpaper::copyOf(const QString &picture, const QSize &screen, const QString &folder)
{
    const QFileInfo source(picture);
    if (!source.isFile() || screen.isEmpty())
        return QString();
    QImageReader reader(picture);
    const bool opaque = reader.canRead() && !QImage(1, 1, reader.imageFormat()).hasAlphaChannel();
    const QString name = QLatin1String(prefix) + stampOf(source, screen) +
                         (opaque ? QStringLiteral(".jpg") : QStringLiteral(".png"));
    QDir dir(folder);
    const QString path = dir.filePath(name);
    if (QFileInfo(path).isFile())
        return path;

    const QImage image = reader.read();
    if (image.isNull() || !dir.mkpath(QStringLiteral(".")))
        return QString();
    // Written whole or not at all: a copy cut short would be shown as is.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !covering(image, screen).save(&file, opaque ? "JPG" : "PNG", opaque ? 92 : -1) ||
        !file.commit())
        return QString();
    removeOlderCopies(dir, name);
    return path;
}

QImage ScaledWallpaper::covering(const QImage &picture, const QSize &size)
{
    if (picture.isNull() || size.isEmpty())
        return QImage();
    const QImage scaled =
        picture.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return scaled.copy(QRect(QPoint(0, 0), size));
}
