#include "media/MprisPlayer.h"

#include "media/MusicPlayer.h"

#include <QDBusObjectPath>
#include <QHash>

namespace
{
QString statusOf(const QVariantMap &now)
{
    const QString state = now.value(QStringLiteral("state")).toString();
    if (state == QLatin1String("playing"))
        return QStringLiteral("Playing");
    return state == QLatin1String("paused") ? QStringLiteral("Paused") : QStringLiteral("Stopped");
}

QVariantMap metadataOf(const QVariantMap &now)
{
    const QString source = now.value(QStringLiteral("source")).toString();
    if (source.isEmpty())
        return {};
    // A track id is an object path: the source's hash names the song.
    const QDBusObjectPath id(QStringLiteral("/org/vantara/track/") +
                             QString::number(qHash(source)));
    QVariantMap m{{QStringLiteral("mpris:trackid"), QVariant::fromValue(id)},
                  {QStringLiteral("xesam:title"), now.value(QStringLiteral("title"))}};
    const QString artist = now.value(QStringLiteral("artist")).toString();
    if (!artist.isEmpty())
        m.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    const qint64 length = now.value(QStringLiteral("length")).toLongLong();
    if (length > 0)
        m.insert(QStringLiteral("mpris:length"), length * 1000);
    return m;
}
} // namespace

MprisPlayer::MprisPlayer(MusicPlayer &player, QObject *parent)
    : QDBusAbstractAdaptor(parent), music(player)
{
}

QString MprisPlayer::playbackStatus() const
{
    return statusOf(music.nowPlaying());
}

QVariantMap MprisPlayer::metadata() const
{
    return metadataOf(music.nowPlaying());
}

qlonglong MprisPlayer::position() const
{
    return music.nowPlaying().value(QStringLiteral("position")).toLongLong() * 1000;
}

QVariantMap MprisPlayer::changedProperties(const QVariantMap &now)
{
    return {{QStringLiteral("PlaybackStatus"), statusOf(now)},
            {QStringLiteral("Metadata"), metadataOf(now)}};
}

// clang-format off
void MprisPlayer::Next() { music.control(MusicPlayer::Control::Next); }
void MprisPlayer::Previous() { music.control(MusicPlayer::Control::Previous); }
void MprisPlayer::Pause() { music.control(MusicPlayer::Control::Pause); }
void MprisPlayer::PlayPause() { music.control(MusicPlayer::Control::Toggle); }
void MprisPlayer::Stop() { music.control(MusicPlayer::Control::Stop); }
void MprisPlayer::Play() { music.control(MusicPlayer::Control::Play); }
// clang-format on
