#include "install/ArchiveFormat.h"

#include "shell/AppFolderName.h"

#include <QIODevice>
#include <QRegularExpression>

namespace ArchiveFormat
{

QByteArray u32Bytes(quint32 value)
{
    QByteArray b(4, '\0');
    b[0] = char(value >> 24);
    b[1] = char(value >> 16);
    b[2] = char(value >> 8);
    b[3] = char(value);
    return b;
}

bool readU32(QIODevice &in, quint32 *value)
{
    uchar b[4];
    if (in.read(reinterpret_cast<char *>(b), 4) != 4)
        return false;
    *value = quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | quint32(b[3]);
    return true;
}

bool writeU32(QIODevice &out, quint32 value)
{
    return out.write(u32Bytes(value)) == 4;
}

QByteArray encodeName(const QString &name)
{
    QByteArray out = u32Bytes(quint32(name.size()) * 2);
    out.reserve(4 + name.size() * 2);
    for (const QChar c : name) {
        out.append(char(c.unicode() >> 8));
        out.append(char(c.unicode() & 0xff));
    }
    return out;
}

QString decodeName(const QByteArray &units)
{
    QString name(units.size() / 2, Qt::Uninitialized);
    for (int i = 0; i < name.size(); ++i)
        name[i] = QChar(ushort(uchar(units[2 * i]) << 8 | uchar(units[2 * i + 1])));
    return name;
}

QString entryName(const QString &prefix, const QString &fileName)
{
    return prefix + QLatin1Char('/') + fileName;
}

bool isSafeComponent(const QString &part, QString *reason)
{
    if (AppFolder::isSafeName(part))
        return true;
    if (part.isEmpty())
        *reason = QStringLiteral("empty component (absolute name or doubled separator)");
    else if (part == QLatin1String(".") || part == QLatin1String(".."))
        *reason = QStringLiteral("\"%1\" component").arg(part);
    else if (part.contains(QLatin1Char(':')))
        *reason = QStringLiteral("drive letter or colon");
    else if (part.contains(QLatin1Char('/')) || part.contains(QLatin1Char('\\')))
        *reason = QStringLiteral("path separator");
    else
        *reason = QStringLiteral("control character or unpaired surrogate");
    return false;
}

QStringList entryPath(const QString &name, QString *reason)
{
    QString rest = name;
    if (rest.startsWith(QLatin1Char('/')) || rest.startsWith(QLatin1Char('\\')))
        rest.remove(0, 1);
    if (rest.isEmpty()) {
        *reason = QStringLiteral("empty name");
        return {};
    }
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    const QStringList parts = rest.split(separators);
    for (const QString &part : parts) {
        if (!isSafeComponent(part, reason))
            return {};
    }
    return parts;
}

} // namespace ArchiveFormat
