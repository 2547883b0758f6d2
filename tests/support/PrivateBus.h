#pragma once

#include <QDBusConnection>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// A bus of the test's own (dbus-daemon with the session bus's rules), so that
// nothing reaches the user's; it stands for the system bus as well.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    // Whether the daemon runs and told its address.
    bool started() const { return !busAddress.isEmpty(); }
    QString address() const { return busAddress; }
    // A new connection to the bus under the given connection name.
    QDBusConnection connect(const QString &name);

    // Runs python3-dbusmock with arguments ("--template", "upower"), its
    // service on this bus for the system and the session alike; true once
    // service is on the bus.
    bool runMock(const QStringList &arguments, const QString &service);
    // Runs tests/support/sound-server.py at a peer-to-peer address of its
    // own, which it returns once the server listens (empty when it does not).
    QString runSoundServer();
    // Ends the mock that runs service; true once service has left the bus.
    bool stopMock(const QString &service);

private:
    QTemporaryDir folder;
    QProcess daemon;
    QString busAddress;
    QStringList names;
    struct Mock {
        QString service;
        QProcess *process;
    };
    QList<Mock> mocks;
};
