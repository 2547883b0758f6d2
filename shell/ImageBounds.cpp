#include "shell/ImageBounds.h"

#include <QFile>
#include <QImageReader>

namespace
{
quint32 littleEndian(const uchar *b, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | b[i];
    return value;
}

quint32 bigEndian(const uchar *b)
{
    return quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3];
}

// The web engine decodes WebP itself, and Qt here has no reader for it: its
// three header forms are read by hand.
QSize webpSize(const QByteArray &head)
{
    if (head.size() < 30 || !head.startsWith("RIFF") || head.mid(8, 4) != "WEBP")
        return QSize();
    const auto *b = reinterpret_cast<const uchar *>(head.constData());
    const QByteArray chunk = head.mid(12, 4);
    if (chunk == "VP8X")
        return QSize(1 + int(littleEndian(b + 24, 3)), 1 + int(littleEndian(b + 27, 3)));
    if (chunk == "VP8L" && b[20] == 0x2f) {
        const quint32 bits = littleEndian(b + 21, 4);
        return QSize(1 + int(bits & 0x3fff), 1 + int(bits >> 14 & 0x3fff));
    }
    if (chunk == "VP8 ")
        return QSize(int(littleEndian(b + 26, 2) & 0x3fff), int(littleEndian(b + 28, 2) & 0x3fff));
    return QSize();
}

// Most icons are PNG: their size is read straight from the first chunk,
// which is quicker than asking the readers one by one at every start.
QSize pngSize(const QByteArray &head)
{
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n") || head.mid(12, 4) != "IHDR")
        return QSize();
    const auto *b = reinterpret_cast<const uchar *>(head.constData());
    const quint32 width = bigEndian(b + 16);
    const quint32 height = bigEndian(b + 20);
    if (width == 0 || height == 0 || width > 0x7fffffff || height > 0x7fffffff)
        return QSize();
    return QSize(int(width), int(height));
}
} // namespace

QSize ImageBounds::announcedSize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QSize();
    const QByteArray head = file.read(30);
    QSize size = pngSize(head);
    if (size.isValid())
        return size;
    size = webpSize(head);
    if (size.isValid())
        return size;
    file.close();
    return QImageReader(path).size();
}

bool ImageBounds::allows(const QSize &size, const Limit &limit)
{
    return size.isValid() && size.width() <= limit.maxSide && size.height() <= limit.maxSide &&
           qint64(size.width()) * size.height() <= limit.maxPixels;
}

bool ImageBounds::exceeds(const QString &path, const Limit &limit)
{
    const QSize size = announcedSize(path);
    return size.isValid() && !allows(size, limit);
}

QImage ImageBounds::readScaled(const QString &path, const QSize &size, const Limit &limit)
{
    QImageReader reader(path);
    if (!allows(reader.size(), limit))
        return QImage();
    if (size.isValid() && !size.isEmpty())
        reader.setScaledSize(size);
    return reader.read();
}
