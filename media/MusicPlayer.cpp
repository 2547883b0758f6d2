#include "media/MusicPlayer.h"

#include "media/PageOnTop.h"
#include "media/TrackTags.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QDir>
#include <phonon/AudioOutput>
#include <phonon/MediaObject>
#include <phonon/MediaSource>

MusicPlayer::MusicPlayer(ShellHost &shell, Phonon::MediaObject *playerObject,
                         Phonon::MediaObject *tagReaderObject, Phonon::AudioOutput *outputObject,
                         QObject *parent)
    : QObject(parent), host(shell), player(playerObject), tagReader(tagReaderObject),
      output(outputObject)
{
}

QUrl MusicPlayer::sourceUrl(const QString &text)
{
    if (QDir::isAbsolutePath(text) && !text.contains(QLatin1String("://")))
        return QUrl::fromLocalFile(text);
    return QUrl(text);
}

void MusicPlayer::play(const QString &url)
{
    // The length goes through the shell's bridge slot; one connection, however
    // often a track is started, so each new length is sent once.
    QObject::connect(player, SIGNAL(totalTimeChanged(qint64)), host.bridge(),
                     SLOT(Mp3Buffer(qint64)), Qt::UniqueConnection);
    const QUrl source = sourceUrl(url);
    player->setCurrentSource(Phonon::MediaSource(source));
    player->play();
    tagReader->setCurrentSource(Phonon::MediaSource(source));
}

bool MusicPlayer::togglePause()
{
    if (player->state() == Phonon::PausedState) {
        player->play();
        return true;
    }
    player->pause();
    return false;
}

void MusicPlayer::stop()
{
    player->stop();
}

void MusicPlayer::seek(qint64 ms)
{
    player->seek(ms);
}

void MusicPlayer::setVolume(qreal factor)
{
    output->setVolume(factor);
}

void MusicPlayer::lengthChanged(qint64 ms)
{
    // The page receives the length as text, like every other argument.
    ScriptCall::run(PageOnTop::frameForPlayerCalls(host), QStringLiteral("RollBar"),
                    {QString::number(ms)});
}

void MusicPlayer::tagReaderStateChanged(Phonon::State newState)
{
    if (newState != Phonon::StoppedState && newState != Phonon::PausedState)
        return;
    // Before the first track the reader holds an empty source: no track, no tags.
    const Phonon::MediaSource::Type type = tagReader->currentSource().type();
    if (type == Phonon::MediaSource::Invalid || type == Phonon::MediaSource::Empty)
        return;
    QWebFrame *frame = PageOnTop::frameForPlayerCalls(host);
    if (!frame)
        return;
    const TrackTags tags = TrackTags::of(tagReader);
    ScriptCall::run(frame, QStringLiteral("cover"), {tags.artist, tags.title});
}
