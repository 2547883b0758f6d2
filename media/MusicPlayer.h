#pragma once

#include <QObject>
#include <QUrl>
#include <QVariantMap>
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
//
// The player outlives the music page: the home page's status bar and the
// media keys control it from anywhere (control()), and a music page that
// opens, or that was open while the player was controlled from outside it,
// is told what plays by a cover call with three more arguments: the source
// (a local path, or the URL), "playing", "paused" or "stopped", and the
// position in ms; RollBar follows with the length when it is known.
class MusicPlayer : public QObject
{
    Q_OBJECT

public:
    enum class Control { Toggle, Play, Pause, Stop, Next, Previous };

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

    // What the home page's status bar shows: state ("playing", "paused" or
    // "stopped"), source (local path or URL), title (the tag, else the file's
    // name), artist, position and length in ms.
    QVariantMap nowPlaying();
    // A control from outside the music page; the page, if open, follows.
    void control(Control what);
    // Tells the open music page what the player is doing (state, when given,
    // is the one it was just asked to take).
    void tellMusicPage(const QString &state = QString());

signals:
    // The source, its state or its tags changed.
    void changed();

private:
    QString stateName();
    QString sourceText();
    // Plays the song by places from the present one (FolderTracks); false
    // when there is none.
    bool step(int by, bool wrap);
    void trackEnded();

    struct Media {
        Phonon::MediaObject *player = nullptr;
        Phonon::MediaObject *tagReader = nullptr;
        Phonon::AudioOutput *output = nullptr;
    };
    Media &prepared();

    ShellHost &host;
    Media media;
};
