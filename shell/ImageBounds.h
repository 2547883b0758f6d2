#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// How large a picture the shell, or the home page it feeds, may decode. The
// size is read from the file's header before anything is decoded: half a
// megabyte of PNG can announce 12,000 x 12,000 pixels, over half a gigabyte
// once decoded, at every start.
class ImageBounds
{
public:
    struct Limit {
        int maxSide;
        qint64 maxPixels;
    };
    // App icons: the grid draws them at 75 px; one beyond this shows the
    // placeholder and is never decoded.
    static constexpr Limit icon{4096, 4096LL * 2048};
    // Wallpapers: more than any screen shows; beyond it one is refused.
    static constexpr Limit wallpaper{16384, 64LL * 1024 * 1024};
    // Icons larger than this square are scaled once to fit it: room for the
    // grid's 75 px at a zoom of three.
    static constexpr int iconSide = 256;

    // The size the picture at path announces in its header; invalid when it
    // names none (no picture, or one in a format nobody here decodes).
    static QSize announcedSize(const QString &path);
    static bool allows(const QSize &size, const Limit &limit);
    // Whether the picture announces a size beyond limit. A file that
    // announces none is no picture to decode and is not beyond it.
    static bool exceeds(const QString &path, const Limit &limit);

    // The picture at path decoded at size: the PNG and JPEG readers decode
    // straight at that size, never holding the whole picture. Null when it
    // announces a size beyond limit or cannot be read.
    static QImage readScaled(const QString &path, const QSize &size, const Limit &limit);
};
