#include "install/CompressedBlock.h"

#include "install/ArchiveFormat.h"

#include <QIODevice>
#include <zlib.h>

namespace
{
constexpr int chunkSize = 1024 * 1024;

bool writeAll(QIODevice &out, const char *data, qint64 size, QString *error)
{
    if (size > 0 && out.write(data, size) != size) {
        *error = QStringLiteral("cannot write: %1").arg(out.errorString());
        return false;
    }
    return true;
}
} // namespace

// Each zlib state is made at its first use and reset for the next block; a
// reset state writes the same stream as a new one.
struct CompressedBlock::Streams {
    z_stream deflater{};
    z_stream inflater{};
    bool deflating = false;
    bool inflating = false;
    std::unique_ptr<char[]> input{new char[chunkSize]};
    std::unique_ptr<char[]> output{new char[chunkSize]};

    ~Streams()
    {
        if (deflating)
            deflateEnd(&deflater);
        if (inflating)
            inflateEnd(&inflater);
    }
    bool startDeflate()
    {
        // The same parameters as compress2(), and so as qCompress at level -1.
        if (deflating)
            return deflateReset(&deflater) == Z_OK;
        deflating = deflateInit(&deflater, Z_DEFAULT_COMPRESSION) == Z_OK;
        return deflating;
    }
    bool startInflate()
    {
        if (inflating)
            return inflateReset(&inflater) == Z_OK;
        inflating = inflateInit(&inflater) == Z_OK;
        return inflating;
    }
};

CompressedBlock::CompressedBlock() : z(new Streams) {}
CompressedBlock::~CompressedBlock() = default;

quint64 CompressedBlock::maxContentOf(quint64 streamLength)
{
    return streamLength * 1032 + 1032;
}

qint64 CompressedBlock::write(QIODevice &in, quint64 size, QIODevice &out, QString *error)
{
    if (size > maxContentSize) {
        *error = QStringLiteral("%1 bytes is more than the archive format can hold in one entry "
                                "(at most 4294967295)")
                     .arg(size);
        return -1;
    }
    if (!ArchiveFormat::writeU32(out, quint32(size))) {
        *error = QStringLiteral("cannot write: %1").arg(out.errorString());
        return -1;
    }
    if (size == 0)
        return 4;

    if (!z->startDeflate()) {
        *error = QStringLiteral("cannot start compression");
        return -1;
    }
    z_stream &zs = z->deflater;
    char *const input = z->input.get();
    char *const output = z->output.get();
    quint64 left = size;
    quint64 blockLength = 4;
    int flush = Z_NO_FLUSH;
    // Feeding the input in pieces with Z_NO_FLUSH and finishing with the last
    // piece gives the same stream as compressing it in one call.
    while (flush != Z_FINISH) {
        const qint64 want = qint64(qMin<quint64>(left, chunkSize));
        const qint64 got = in.read(input, want);
        if (got != want) {
            *error = got < 0 ? QStringLiteral("cannot read: %1").arg(in.errorString())
                             : QStringLiteral("the file became shorter while it was read");
            return -1;
        }
        left -= quint64(got);
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        zs.next_in = reinterpret_cast<Bytef *>(input);
        zs.avail_in = uInt(got);
        do {
            zs.next_out = reinterpret_cast<Bytef *>(output);
            zs.avail_out = uInt(chunkSize);
            const int rc = deflate(&zs, flush);
            if (rc == Z_STREAM_ERROR) {
                *error = QStringLiteral("compression failed");
                return -1;
            }
            const qint64 have = qint64(chunkSize - zs.avail_out);
            blockLength += quint64(have);
            if (blockLength > maxBlockLength) {
                *error = QStringLiteral("the compressed entry is larger than the archive format "
                                        "can hold");
                return -1;
            }
            if (!writeAll(out, output, have, error))
                return -1;
        } while (zs.avail_out == 0);
    }
    return qint64(blockLength);
}

bool CompressedBlock::claimedSize(QIODevice &in, quint32 blockLength, quint64 *size, QString *error)
{
    *size = 0;
    if (blockLength == 0 || blockLength == ArchiveFormat::nullLength)
        return true;
    quint32 prefix = 0;
    if (blockLength < 4 || !ArchiveFormat::readU32(in, &prefix)) {
        *error = QStringLiteral("a block is too short to hold its size");
        return false;
    }
    if (blockLength == 4 && prefix != 0) {
        *error = QStringLiteral("a block claims %1 bytes but holds no data").arg(prefix);
        return false;
    }
    if (prefix > maxContentOf(blockLength - 4)) {
        *error = QStringLiteral("a block of %1 bytes claims %2 bytes, more than it can hold")
                     .arg(blockLength)
                     .arg(prefix);
        return false;
    }
    *size = prefix;
    return true;
}

bool CompressedBlock::read(QIODevice &in, quint32 blockLength, QIODevice &out, QString *error)
{
    quint64 expected = 0;
    if (!claimedSize(in, blockLength, &expected, error))
        return false;
    if (blockLength == 0 || blockLength == ArchiveFormat::nullLength || blockLength == 4)
        return true;

    if (!z->startInflate()) {
        *error = QStringLiteral("cannot start decompression");
        return false;
    }
    z_stream &zs = z->inflater;
    char *const input = z->input.get();
    char *const output = z->output.get();
    quint64 left = blockLength - 4;
    quint64 produced = 0;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (zs.avail_in == 0) {
            if (left == 0) {
                *error = QStringLiteral("a compressed block ends early");
                return false;
            }
            const qint64 want = qint64(qMin<quint64>(left, chunkSize));
            if (in.read(input, want) != want) {
                *error = QStringLiteral("the archive is truncated");
                return false;
            }
            left -= quint64(want);
            zs.next_in = reinterpret_cast<Bytef *>(input);
            zs.avail_in = uInt(want);
        }
        zs.next_out = reinterpret_cast<Bytef *>(output);
        zs.avail_out = uInt(chunkSize);
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
            *error = QStringLiteral("a compressed block is damaged");
            return false;
        }
        const qint64 have = qint64(chunkSize - zs.avail_out);
        if (rc == Z_BUF_ERROR && have == 0 && zs.avail_in != 0) {
            *error = QStringLiteral("a compressed block is damaged");
            return false;
        }
        produced += quint64(have);
        if (produced > expected) {
            *error = QStringLiteral("a block holds more than its size says");
            return false;
        }
        if (!writeAll(out, output, have, error))
            return false;
    }
    if (zs.avail_in != 0 || left != 0) {
        *error = QStringLiteral("a compressed block has bytes after its end");
        return false;
    }
    if (produced != expected) {
        *error = QStringLiteral("a block holds less than its size says");
        return false;
    }
    return true;
}
