#pragma once

#include <QByteArray>
#include <QSize>

// Pictures for tests, above all ones that announce far more pixels than
// their files hold, made cheaply: decoding one whole would cost width x
// height x 4 bytes.
namespace TestPictures
{
// A valid PNG of size, every pixel transparent black (RGBA, 8 bits): its
// zero rows are streamed through deflate, so 12,000 x 12,000 takes about half
// a megabyte and never lies whole in memory.
QByteArray pngBomb(const QSize &size);
// The header of an extended WebP announcing size, with no picture data.
QByteArray webpHeader(const QSize &size);
// A picture of size in one colour, in format ("PNG", "JPG").
QByteArray plain(const QSize &size, const char *format);
} // namespace TestPictures
