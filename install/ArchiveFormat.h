#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// The folder archive: a plain sequence of records up to the end of the file,
// each a name (a 32-bit big-endian byte count, then UTF-16 big-endian code
// units) and a compressed block (a 32-bit big-endian byte count, then the
// block). These are QDataStream's encodings of a QString and a QByteArray.
namespace ArchiveFormat
{
// A length field's value that stands for a null string or array.
constexpr quint32 nullLength = 0xFFFFFFFFu;

// The name field of an entry: length and code units.
QByteArray encodeName(const QString &name);
QString decodeName(const QByteArray &units);

// The entry name of a file at relative path components: "/a/b.txt".
QString entryName(const QString &prefix, const QString &fileName);

// Whether one component of an entry name stays where it is put; otherwise
// the reason. The packer refuses what the unpacker would.
bool isSafeComponent(const QString &component, QString *reason);

// The components of an entry name below the destination folder. Both "/"
// and the backslash separate; one leading separator is allowed. Names that
// could leave the folder (empty, "." or ".." components, drive letters,
// control characters) give an empty list and a reason.
QStringList entryPath(const QString &name, QString *reason);

bool readU32(QIODevice &in, quint32 *value);
bool writeU32(QIODevice &out, quint32 value);
QByteArray u32Bytes(quint32 value);
} // namespace ArchiveFormat
