#pragma once

#include <QDBusConnection>
#include <QObject>

class MusicPlayer;

// Offers the music player on a bus as org.mpris.MediaPlayer2.vantara, so that
// the desktop's media keys and applets reach it; each change of the song or
// its state goes out as PropertiesChanged.
class MprisService : public QObject
{
public:
    MprisService(MusicPlayer &player, QDBusConnection bus, QObject *parent = nullptr);
    ~MprisService() override;

    static QString serviceName() { return QStringLiteral("org.mpris.MediaPlayer2.vantara"); }
    static QString path() { return QStringLiteral("/org/mpris/MediaPlayer2"); }
    // Whether the name was taken (false without a bus, or when another
    // instance holds it).
    bool offered() const { return registered; }

private:
    void tellChange();

    MusicPlayer &music;
    QDBusConnection connection;
    bool registered = false;
    bool pending = false;
};
