#pragma once

#include <QString>

// The songs beside a song, in the order the music page lists its folder (the
// .mp3 files by name, ignoring case), so that the shell's next and previous
// go where the page's would.
class FolderTracks
{
public:
    // The song step places after (or before, for a negative step) path in its
    // folder; past either end it wraps round when wrap is set, else it is
    // empty. Empty too when path is no song of a folder.
    static QString neighbour(const QString &path, int step, bool wrap);
};
