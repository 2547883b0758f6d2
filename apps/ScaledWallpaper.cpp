#include "apps/ScaledWallpaper.h"

#include "shell/ImageBounds.h"
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

QString hashOf(const QString &key, int length)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(length));
}

// "wallpaper-<picture>-": what the copies of one picture share, so that a new
// copy replaces only the older copies of the same picture.
QString familyOf(const QFileInfo &picture)
{
    return QLatin1String(prefix) + hashOf(picture.absoluteFilePath(), 10) + QLatin1Char('-');
}

QString stampOf(const QFileInfo &picture, const QSize &screen)
{
    return hashOf(QString::number(picture.size()) + QLatin1Char('\n') +
                      QString::number(picture.lastModified().toMSecsSinceEpoch()) +
                      QLatin1Char('\n') + QString::number(screen.width()) + QLatin1Char('x') +
                      QString::number(screen.height()),
                  12);
}

void removeOlderCopies(QDir folder, const QString &family, const QString &keep)
{
    const QStringList copies = folder.entryList({family + QLatin1Char('*')}, QDir::Files);
    for (const QString &name : copies)
        if (name != keep)
            folder.remove(name);
}
} // namespace

QString ScaledWallpaper::copyFor(const ShellHost &host, const QString &picture)
{
    return copyOf(picture, host.screenArea().size(), host.paths().wallpaperCacheFolder());
}

QString ScaledWallpaper::copyOf(const QString &picture, const QSize &screen, const QString &folder)
{
    const QFileInfo source(picture);
    if (!source.isFile() || screen.isEmpty())
        return QString();
    QImageReader reader(picture);
    const bool opaque = reader.canRead() && !QImage(1, 1, reader.imageFormat()).hasAlphaChannel();
    const QString name = familyOf(source) + stampOf(source, screen) +
                         (opaque ? QStringLiteral(".jpg") : QStringLiteral(".png"));
    QDir dir(folder);
    const QString path = dir.filePath(name);
    if (QFileInfo(path).isFile())
        return path;

    // Decoded straight at the size that covers the screen: a picture of the
    // bounds' 64 MP never lies whole in memory.
    const QSize full = reader.size();
    if (!ImageBounds::allows(full, ImageBounds::wallpaper))
        return QString();
    const QSize cover = full.scaled(screen, Qt::KeepAspectRatioByExpanding);
    const QImage image = ImageBounds::readScaled(
        picture, cover.width() < full.width() ? cover : full, ImageBounds::wallpaper);
    if (image.isNull() || !dir.mkpath(QStringLiteral(".")))
        return QString();
    // Written whole or not at all: a copy cut short would be shown as is.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !covering(image, screen).save(&file, opaque ? "JPG" : "PNG", opaque ? 92 : -1) ||
        !file.commit())
        return QString();
    removeOlderCopies(dir, familyOf(source), name);
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
