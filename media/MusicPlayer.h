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

// The shell's one background music player. It makes and owns its media
// objects when first needed: player (joined to output) sounds the track,
// tagReader is given the same source only to learn its tags. Track length and
// tags go to the page on top as RollBar and cover.
class MusicPlayer : public QObject
{
public:
    MusicPlayer(ShellHost &host, QObject *parent = nullptr);

    // Makes the media objects (starting the back-end) if they are not there.
    void prepare();
    Phonon::MediaObject *mediaPlayer() { return prepared().player; }
    Phonon::MediaObject *mediaTagReader() { return prepared().tagReader; }

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
    struct Media {
        Phonon::MediaObject *player = nullptr;
        Phonon::MediaObject *tagReader = nullptr;
        Phonon::AudioOutput *output = nullptr;
    };
    Media &prepared();

    ShellHost &host;
    Media media;
};
