#pragma once

#include <QString>

namespace Phonon
{
class MediaObject;
}

// The artist and title of a track, empty where the source has none.
struct TrackTags {
    QString artist;
    QString title;

    // The tags of the source that reader holds. Local files are read with
    // TagLib, since the media back-end reports no tags for a source it never
    // plays; other sources give what the back-end reports.
    static TrackTags of(const Phonon::MediaObject *reader);
    // The tags stored in a local file; empty when it has none or cannot be read.
    static TrackTags ofFile(const QString &path);
};
