#include "shell/SoundVolume.h"

#include "shell/BusProperties.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <algorithm>

namespace
{
const QString core = QStringLiteral("/org/pulseaudio/core1");
const QString coreInterface = QStringLiteral("org.PulseAudio.Core1");
const QString deviceInterface = QStringLiteral("org.PulseAudio.Core1.Device");
const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
// The server's full volume, PA_VOLUME_NORM.
constexpr double fullVolume = 65536;

QList<uint> channels(const QVariant &value)
{
    QList<uint> out;
    if (value.canConvert<QDBusArgument>())
        value.value<QDBusArgument>() >> out;
    return out;
}
} // namespace

SoundVolume::SoundVolume(QDBusConnection session, QObject *parent)
    : QObject(parent),
      lookup(new BusProperties(session, QStringLiteral("org.PulseAudio1"),
                               QStringLiteral("/org/pulseaudio/server_lookup1"),
                               QStringLiteral("org.PulseAudio.ServerLookup1"), this))
{
    connect(lookup, &BusProperties::changed, this, &SoundVolume::serverChanged);
}

SoundVolume::~SoundVolume()
{
    if (!peerName.isEmpty())
        QDBusConnection::disconnectFromPeer(peerName);
}

void SoundVolume::drop()
{
    ++generation;
    if (!peerName.isEmpty())
        QDBusConnection::disconnectFromPeer(peerName);
    peerName.clear();
    address.clear();
    show({});
}

void SoundVolume::show(const QVariantMap &volume)
{
    if (volume == shown)
        return;
    shown = volume;
    emit changed();
}

void SoundVolume::serverChanged()
{
    const QString now = lookup->value(QStringLiteral("Address")).toString();
    if (now == address && !peerName.isEmpty())
        return;
    drop();
    if (now.isEmpty())
        return;
    const QString name = QStringLiteral("vantara sound %1").arg(generation);
    QDBusConnection peer = QDBusConnection::connectToPeer(now, name);
    if (!peer.isConnected()) {
        QDBusConnection::disconnectFromPeer(name);
        return;
    }
    address = now;
    peerName = name;
    // The server sends its signals only to those who ask (an empty list: of
    // every object).
    for (const char *signal :
         {"org.PulseAudio.Core1.Device.VolumeUpdated", "org.PulseAudio.Core1.Device.MuteUpdated",
          "org.PulseAudio.Core1.FallbackSinkUpdated", "org.PulseAudio.Core1.FallbackSinkUnset"})
        callServer(core, coreInterface, QStringLiteral("ListenForSignal"),
                   {QString::fromLatin1(signal), QVariant::fromValue(QList<QDBusObjectPath>())},
                   [](const QDBusPendingCall &) {});
    for (const auto &[interface, signal] :
         {std::pair{deviceInterface, "VolumeUpdated"}, std::pair{deviceInterface, "MuteUpdated"},
          std::pair{coreInterface, "FallbackSinkUpdated"},
          std::pair{coreInterface, "FallbackSinkUnset"}})
        peer.connect(QString(), QString(), interface, QLatin1String(signal), this,
                     SLOT(readSink()));
    readSink();
}

void SoundVolume::readSink()
{
    callServer(
        core, properties, QStringLiteral("Get"), {coreInterface, QStringLiteral("FallbackSink")},
        [this](const QDBusPendingCall &call) {
            const QDBusPendingReply<QDBusVariant> reply = call;
            const QString sink = reply.isError()
                                     ? QString()
                                     : reply.value().variant().value<QDBusObjectPath>().path();
            if (sink.isEmpty()) {
                show({});
                return;
            }
            callServer(sink, properties, QStringLiteral("GetAll"), {deviceInterface},
                       [this](const QDBusPendingCall &all) {
                           const QDBusPendingReply<QVariantMap> device = all;
                           const QList<uint> volume =
                               channels(device.value().value(QStringLiteral("Volume")));
                           if (device.isError() || volume.isEmpty()) {
                               show({});
                               return;
                           }
                           const uint loudest = *std::max_element(volume.begin(), volume.end());
                           show({{QStringLiteral("percent"), qRound(loudest * 100 / fullVolume)},
                                 {QStringLiteral("muted"),
                                  device.value().value(QStringLiteral("Mute")).toBool()}});
                       });
        });
}

void SoundVolume::callServer(const QString &path, const QString &interface, const QString &method,
                             const QVariantList &arguments,
                             const std::function<void(const QDBusPendingCall &)> &done)
{
    if (peerName.isEmpty())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QString(), path, interface, method);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection(peerName).asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, done, at = generation] {
                watcher->deleteLater();
                if (at == generation)
                    done(*watcher);
            });
}
