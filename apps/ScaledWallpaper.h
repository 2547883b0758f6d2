#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class ShellHost;

// The home screen's wallpaper as a copy at the screen's size, kept in the
// working folder's cache: the page then decodes and paints a picture no
// larger than the screen instead of scaling the full one at every paint.
class ScaledWallpaper
{
public:
    // The picture the home page shows when nothing else is chosen.
    static QString defaultPicture() { return QStringLiteral(":/assets/bg/m10.jpg"); }

    // The copy of picture for host's screen, made when missing. Empty when
    // the picture cannot be read, announces a size beyond
    // ImageBounds::wallpaper, or the copy cannot be written.
    static QString copyFor(const ShellHost &host, const QString &picture);

    // The copy of picture cut to cover screen in folder, made when missing.
    // Its name carries the picture's path, size and time and the screen's
    // size, so a changed picture or screen gets a copy of its own; the older
    // copies of the same picture are removed.
    static QString copyOf(const QString &picture, const QSize &screen, const QString &folder);

    // What the page's "cover" from the top left shows of picture on a box
    // of size: scaled to fill it, keeping its aspect, the rest cut away.
    static QImage covering(const QImage &picture, const QSize &size);
};
