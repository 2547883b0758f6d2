#include "TestPictures.h"

#include <QBuffer>
#include <QImage>

#include <zlib.h>

namespace
{
QByteArray bigEndian(quint32 v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(b, 4);
}

QByteArray chunk(const char *type, const QByteArray &data)
{
    const QByteArray body = QByteArray(type, 4) + data;
    const quint32 crc =
        quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size())));
    return bigEndian(quint32(data.size())) + body + bigEndian(crc);
}

QByteArray littleEndian24(int v)
{
    const char b[3] = {char(v), char(v >> 8), char(v >> 16)};
    return QByteArray(b, 3);
}
} // namespace

namespace TestPictures
{

QByteArray pngBomb(const QSize &size)
{
    QByteArray header = bigEndian(quint32(size.width())) + bigEndian(quint32(size.height()));
    header += QByteArray("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, no interlace
    // Each row: filter byte 0 and four zero bytes a pixel.
    const QByteArray row(1 + 4 * size.width(), '\0');
    z_stream z{};
    if (deflateInit(&z, Z_BEST_COMPRESSION) != Z_OK)
        return QByteArray();
    QByteArray data;
    char out[64 * 1024];
    for (int y = 0; y < size.height(); ++y) {
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(row.constData()));
        z.avail_in = uInt(row.size());
        const int flush = y == size.height() - 1 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef *>(out);
            z.avail_out = sizeof out;
            deflate(&z, flush);
            data.append(out, int(sizeof out - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", data) +
           chunk("IEND", QByteArray());
}

QByteArray webpHeader(const QSize &size)
{
    QByteArray vp8x =
        QByteArray(4, '\0') + littleEndian24(size.width() - 1) + littleEndian24(size.height() - 1);
    const QByteArray body = QByteArray("WEBPVP8X") + QByteArray("\x0a\x00\x00\x00", 4) + vp8x;
    const int length = body.size();
    const char riff[4] = {char(length), char(length >> 8), char(length >> 16), char(length >> 24)};
    return QByteArray("RIFF") + QByteArray(riff, 4) + body;
}

QByteArray plain(const QSize &size, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 90, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace TestPictures
