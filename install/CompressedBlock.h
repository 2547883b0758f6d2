#pragma once

#include <QString>
#include <memory>

class QIODevice;

// One file's content in the block form of qCompress: the content's size as a
// 32-bit big-endian number, then one zlib stream of the content at zlib's
// default level (nothing after the size when the content is empty). Written
// and read in pieces, so memory stays bounded whatever the size; the bytes
// are the same as those of qCompress on the whole content. One object serves
// a whole archive: its buffers and zlib states are made once and reused.
class CompressedBlock
{
public:
    // The largest content and block the archive's 32-bit fields can hold
    // (a block length of 0xFFFFFFFF would mean a null block).
    static constexpr quint64 maxContentSize = 0xFFFFFFFFull;
    static constexpr quint64 maxBlockLength = 0xFFFFFFFEull;

    CompressedBlock();
    ~CompressedBlock();
    CompressedBlock(const CompressedBlock &) = delete;
    CompressedBlock &operator=(const CompressedBlock &) = delete;

    // Reads exactly size bytes of in and writes their block to out. Returns
    // the block's length, or -1 with a reason.
    qint64 write(QIODevice &in, quint64 size, QIODevice &out, QString *error);

    // Reads a block of blockLength bytes from in and writes its content to
    // out. A block that does not decompress, ends early, carries bytes after
    // its stream or disagrees with its size gives false and a reason. A
    // length of 0 or 0xFFFFFFFF is an empty content.
    bool read(QIODevice &in, quint32 blockLength, QIODevice &out, QString *error);

    // The size a block of blockLength bytes claims, read without inflating:
    // checks the block's shape and that the size is one its stream could
    // hold. Used to refuse an archive before anything is written.
    static bool claimedSize(QIODevice &in, quint32 blockLength, quint64 *size, QString *error);

    // The most content that a zlib stream of streamLength bytes can inflate
    // to (deflate's largest ratio is 1032 to 1).
    static quint64 maxContentOf(quint64 streamLength);

private:
    struct Streams;
    std::unique_ptr<Streams> z;
};
