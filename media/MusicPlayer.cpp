#include "media/MusicPlayer.h"

#include "media/FolderTracks.h"
#include "media/PageOnTop.h"
#include "media/TrackTags.h"
#include "shell/ScriptCall.h"
#include "shell/ShellHost.h"

#include <QDir>
#include <QFileInfo>
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
    connect(media.player, &Phonon::MediaObject::stateChanged, this, &MusicPlayer::changed);
    connect(media.player, &Phonon::MediaObject::currentSourceChanged, this, &MusicPlayer::changed);
    // The tags are known once the reader has opened the source.
    connect(media.tagReader, &Phonon::MediaObject::stateChanged, this, &MusicPlayer::changed);
    connect(media.player, &Phonon::MediaObject::finished, this, &MusicPlayer::trackEnded);
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

// Seen from outside the music page.

QString MusicPlayer::stateName()
{
    if (!media.player || sourceText().isEmpty())
        return QStringLiteral("stopped");
    switch (media.player->state()) {
    case Phonon::LoadingState:
    case Phonon::BufferingState:
    case Phonon::PlayingState:
        return QStringLiteral("playing");
    case Phonon::PausedState:
        return QStringLiteral("paused");
    case Phonon::StoppedState:
    case Phonon::ErrorState:
        break;
    }
    return QStringLiteral("stopped");
}

QString MusicPlayer::sourceText()
{
    if (!media.player)
        return QString();
    const Phonon::MediaSource source = media.player->currentSource();
    if (source.type() == Phonon::MediaSource::LocalFile)
        return source.fileName();
    if (source.type() != Phonon::MediaSource::Url)
        return QString();
    return source.url().isLocalFile() ? source.url().toLocalFile() : source.url().toString();
}

QVariantMap MusicPlayer::nowPlaying()
{
    // Asking does not start the back-end: before it runs nothing plays.
    const QString source = sourceText();
    QVariantMap now{{QStringLiteral("state"), stateName()}};
    if (source.isEmpty())
        return now;
    const TrackTags tags = TrackTags::of(media.player);
    // Untagged songs go by their file's name, as the music page shows them.
    QString title = tags.title;
    if (title.isEmpty())
        title = QFileInfo(source).completeBaseName().replace(QLatin1Char('_'), QLatin1Char(' '));
    now.insert(QStringLiteral("source"), source);
    now.insert(QStringLiteral("title"), title);
    now.insert(QStringLiteral("artist"), tags.artist);
    now.insert(QStringLiteral("position"), media.player->currentTime());
    now.insert(QStringLiteral("length"), media.player->totalTime());
    return now;
}

void MusicPlayer::control(Control what)
{
    if (!media.player)
        return; // nothing was ever played
    Phonon::MediaObject *player = media.player;
    const QString playing = QStringLiteral("playing"), paused = QStringLiteral("paused");
    // The back-end takes its time to change state: the page hears of the
    // state that was asked for.
    QString after = stateName();
    const bool loaded = !sourceText().isEmpty();
    switch (what) {
    case Control::Toggle:
        if (after == playing) {
            player->pause();
            after = paused;
        } else if (loaded) {
            player->play();
            after = playing;
        }
        break;
    case Control::Play:
        if (loaded) {
            player->play();
            after = playing;
        }
        break;
    case Control::Pause:
        if (after == playing) {
            player->pause();
            after = paused;
        }
        break;
    case Control::Stop:
        player->stop();
        after = QStringLiteral("stopped");
        break;
    case Control::Next:
        if (step(1, true))
            after = playing;
        break;
    case Control::Previous:
        // As on the page: a song under way starts over first.
        if (player->currentTime() > 3000)
            player->seek(0);
        else if (step(-1, true))
            after = playing;
        break;
    }
    tellMusicPage(after);
}

bool MusicPlayer::step(int by, bool wrap)
{
    const QString song = FolderTracks::neighbour(sourceText(), by, wrap);
    if (song.isEmpty())
        return false;
    play(QUrl::fromLocalFile(song).toString());
    return true;
}

void MusicPlayer::trackEnded()
{
    // An open music page goes on by its own list (its search, its shuffle).
    if (!PageOnTop::musicAppFrame(host))
        step(1, false);
}

void MusicPlayer::tellMusicPage(const QString &asked)
{
    QWebFrame *frame = PageOnTop::musicAppFrame(host);
    const QString source = sourceText();
    if (!frame || !media.player)
        return;
    const TrackTags tags = source.isEmpty() ? TrackTags() : TrackTags::of(media.player);
    const QString state = asked.isEmpty() ? stateName() : asked;
    const qint64 at = state == QLatin1String("stopped") ? 0 : media.player->currentTime();
    ScriptCall::run(frame, QStringLiteral("cover"),
                    {tags.artist, tags.title, source, state, QString::number(at)});
    const qint64 length = media.player->totalTime();
    if (!source.isEmpty() && length > 0)
        ScriptCall::run(frame, QStringLiteral("RollBar"), {QString::number(length)});
}
