#include "media/TrackTags.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <phonon/MediaObject>
#include <phonon/MediaSource>
#include <taglib/fileref.h>
#include <taglib/tag.h>

namespace
{
QString fromTagLib(const TagLib::String &s)
{
    return QString::fromStdWString(s.toWString());
}

QString firstValue(const QStringList &values)
{
    return values.isEmpty() ? QString() : values.first();
}

// The local file behind a source, or an empty string for any other source.
QString localFileOf(const Phonon::MediaSource &source)
{
    if (source.type() == Phonon::MediaSource::LocalFile)
        return source.fileName();
    if (source.type() == Phonon::MediaSource::Url && source.url().isLocalFile())
        return source.url().toLocalFile();
    return QString();
}
} // namespace

TrackTags TrackTags::ofFile(const QString &path)
{
    TrackTags tags;
    // TagLib takes whatever it is given: a folder or a device would be opened
    // and read like a file.
    if (!QFileInfo(path).isFile())
        return tags;
    const QByteArray name = QFile::encodeName(path);
    TagLib::FileRef file(name.constData(), false);
    if (file.isNull() || !file.tag())
        return tags;
    tags.artist = fromTagLib(file.tag()->artist());
    tags.title = fromTagLib(file.tag()->title());
    return tags;
}

TrackTags TrackTags::of(const Phonon::MediaObject *reader)
{
    const QString file = localFileOf(reader->currentSource());
    if (!file.isEmpty())
        return ofFile(file);
    TrackTags tags;
    tags.artist = firstValue(reader->metaData(QStringLiteral("ARTIST")));
    tags.title = firstValue(reader->metaData(QStringLiteral("TITLE")));
    return tags;
}
