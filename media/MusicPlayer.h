#pragma once

#include <QObject>
#include <QUrl>
#include <phonon/phononnamespace.h>

class ShellHost;
namespace Phonon
{
class AudioOutput;
class MediaObject;
} // namespace Phonon

// The shell's one background music player. It works on the media objects of
// the main window: player (joined to output) sounds the track, tagReader is
// given the same source only to learn its tags. Track length and tags go to
// the page on top as RollBar and cover.
class MusicPlayer : public QObject
{
public:
    MusicPlayer(ShellHost &host, Phonon::MediaObject *player, Phonon::MediaObject *tagReader,
                Phonon::AudioOutput *output, QObject *parent = nullptr);

    // Plays the source at url (URL text; a bare absolute path is taken as a
    // local file) and starts reading its tags.
    void play(const QString &url);
    // Resumes a paused player (true); pauses in any other state (false).
    bool togglePause();
    void stop();
    void seek(qint64 ms);
    void setVolume(qreal factor);

    // The back-end reported a new total length of the playing source.
    void lengthChanged(qint64 ms);
    // tagReader moved to newState; once it has opened a source, its tags go
    // to the page.
    void tagReaderStateChanged(Phonon::State newState);

    static QUrl sourceUrl(const QString &text);

private:
    ShellHost &host;
    Phonon::MediaObject *player;
    Phonon::MediaObject *tagReader;
    Phonon::AudioOutput *output;
};
