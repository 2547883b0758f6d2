#include "shell/AppIcon.h"

#include "shell/ImageBounds.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

namespace
{
AppIcon::State stateOf(const QString &path, QSize *size)
{
    *size = ImageBounds::announcedSize(path);
    if (!size->isValid())
        return QFileInfo(path).isFile() ? AppIcon::State::Unknown : AppIcon::State::Missing;
    if (!ImageBounds::allows(*size, ImageBounds::icon))
        return AppIcon::State::TooLarge;
    if (size->width() > ImageBounds::iconSide || size->height() > ImageBounds::iconSide)
        return AppIcon::State::Large;
    return AppIcon::State::Fits;
}

// Written whole beside the file and renamed over it: a failure on the way
// leaves the file as it was.
bool shrink(const QString &path, const QSize &size)
{
    const QFileInfo file(path);
    if (file.isSymLink())
        return false;
    const QSize fitting =
        size.scaled(ImageBounds::iconSide, ImageBounds::iconSide, Qt::KeepAspectRatio)
            .expandedTo(QSize(1, 1));
    const QImage scaled = ImageBounds::readScaled(path, fitting, ImageBounds::icon);
    if (scaled.isNull())
        return false;
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && scaled.save(&out, "PNG") && out.commit();
}
} // namespace

QString AppIcon::pathIn(const QString &appFolder)
{
    return appFolder + QStringLiteral("/icon.png");
}

AppIcon::State AppIcon::check(const QString &path)
{
    QSize size;
    return stateOf(path, &size);
}

bool AppIcon::prepare(const QString &path)
{
    QSize size;
    const State state = stateOf(path, &size);
    if (state == State::Large)
        shrink(path, size);
    return state != State::TooLarge;
}

QString AppIcon::forNewTile(const QString &appsFolder, const QString &name)
{
    const QString apps = QDir(appsFolder).absolutePath();
    const QString path = pathIn(apps + QLatin1Char('/') + name);
    if (!QFileInfo::exists(path) || !prepare(path))
        return QString();
    return apps + QStringLiteral("//") + name + QStringLiteral("//icon.png");
}
