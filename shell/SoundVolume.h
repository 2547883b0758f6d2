#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>
#include <functional>

class BusProperties;
class QDBusPendingCall;

// The volume of the sound server's default output, from PulseAudio's D-Bus
// interface (PipeWire's pulse server offers the same lookup): the session
// bus names the server's own peer-to-peer address
// (org.PulseAudio.ServerLookup1), where the default sink's Volume and Mute
// are read and followed by the server's signals. Nothing while the server
// offers no such address (its D-Bus module not loaded).
class SoundVolume : public QObject
{
    Q_OBJECT

public:
    SoundVolume(QDBusConnection session, QObject *parent = nullptr);
    ~SoundVolume() override;

    // {percent, muted}; empty while the server tells none.
    QVariantMap describe() const { return shown; }

signals:
    void changed();

private slots:
    // The server's signals: the default sink or its volume changed.
    void readSink();

private:
    void serverChanged();
    void drop();
    void show(const QVariantMap &volume);
    // Calls method of interface at path on the server; done gets the reply.
    void callServer(const QString &path, const QString &interface, const QString &method,
                    const QVariantList &arguments,
                    const std::function<void(const QDBusPendingCall &)> &done);

    BusProperties *lookup;
    QString address;  // the server's, while connected
    QString peerName; // our connection to it
    QVariantMap shown;
    int generation = 0; // replies of an earlier connection are dropped
};
