#include "media/MusicPlayer.h"

#include "media/PageOnTop.h"
#include "media/TrackTags.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QDir>
#include <phonon/AudioOutput>
#include <phonon/MediaObject>
#include <phonon/MediaSource>

MusicPlayer::MusicPlayer(ShellHost &shell, QObject *parent) : QObject(parent), host(shell) {}

void MusicPlayer::prepare()
{
    prepared();
}

MusicPlayer::Media &MusicPlayer::prepared()
{
    if (media.player)
        return media;
    media.output = new Phonon::AudioOutput(Phonon::MusicCategory, this);
    media.player = new Phonon::MediaObject(this);
    media.tagReader = new Phonon::MediaObject(this);
    Phonon::createPath(media.player, media.output);
    host.hookMusic(media.player, media.tagReader);
    return media;
}

QUrl MusicPlayer::sourceUrl(const QString &text)
{
    if (QDir::isAbsolutePath(text) && !text.contains(QLatin1String("://")))
        return QUrl::fromLocalFile(text);
    return QUrl(text);
}

void MusicPlayer::play(const QString &url)
{
    const Media &m = prepared();
    const QUrl source = sourceUrl(url);
    m.player->setCurrentSource(Phonon::MediaSource(source));
    m.player->play();
    m.tagReader->setCurrentSource(Phonon::MediaSource(source));
}

bool MusicPlayer::togglePause()
{
    Phonon::MediaObject *player = prepared().player;
    if (player->state() == Phonon::PausedState) {
        player->play();
        return true;
    }
    player->pause();
    return false;
}

void MusicPlayer::stop()
{
    prepared().player->stop();
}

void MusicPlayer::seek(qint64 ms)
{
    prepared().player->seek(ms);
}

void MusicPlayer::setVolume(qreal factor)
{
    prepared().output->setVolume(factor);
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
    Phonon::MediaObject *tagReader = prepared().tagReader;
    const Phonon::MediaSource::Type type = tagReader->currentSource().type();
    if (type == Phonon::MediaSource::Invalid || type == Phonon::MediaSource::Empty)
        return;
    QWebFrame *frame = PageOnTop::frameForPlayerCalls(host);
    if (!frame)
        return;
    const TrackTags tags = TrackTags::of(tagReader);
    ScriptCall::run(frame, QStringLiteral("cover"), {tags.artist, tags.title});
}
