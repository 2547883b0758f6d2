#include "media/MprisService.h"

#include "media/MprisPlayer.h"
#include "media/MprisRoot.h"
#include "media/MusicPlayer.h"

#include <QDBusMessage>
#include <QTimer>

MprisService::MprisService(MusicPlayer &player, QDBusConnection bus, QObject *parent)
    : QObject(parent), music(player), connection(std::move(bus))
{
    new MprisRoot(this);
    new MprisPlayer(player, this);
    if (!connection.isConnected())
        return;
    registered = connection.registerObject(path(), this, QDBusConnection::ExportAdaptors) &&
                 connection.registerService(serviceName());
    if (registered)
        connect(&music, &MusicPlayer::changed, this, &MprisService::tellChange);
}

MprisService::~MprisService()
{
    if (!registered)
        return;
    connection.unregisterService(serviceName());
    connection.unregisterObject(path());
}

void MprisService::tellChange()
{
    // A new song passes through several states at once: one signal tells them.
    if (pending)
        return;
    pending = true;
    QTimer::singleShot(0, this, [this] {
        pending = false;
        QDBusMessage signal =
            QDBusMessage::createSignal(path(), QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.mpris.MediaPlayer2.Player")
               << MprisPlayer::changedProperties(music.nowPlaying()) << QStringList();
        connection.send(signal);
    });
}
