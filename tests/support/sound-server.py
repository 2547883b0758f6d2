#!/usr/bin/python3
# The sound server's core for tests, as PulseAudio's D-Bus module offers it:
# one default sink with two channels, at the peer-to-peer address given as the
# only argument. Prints "ready" once it listens. The sink's interface
# org.vantara.Test (SetVolume(au), SetMute(b)) changes it as a user would,
# with the server's signals.
import sys

import dbus
import dbus.mainloop.glib
import dbus.server
import dbus.service
from gi.repository import GLib

CORE = 'org.PulseAudio.Core1'
DEVICE = 'org.PulseAudio.Core1.Device'
SINK = '/org/pulseaudio/core1/sink0'


class Properties(dbus.service.Object):
    SUPPORTS_MULTIPLE_OBJECT_PATHS = False
    SUPPORTS_MULTIPLE_CONNECTIONS = True

    def __init__(self, path, interface, values):
        super().__init__()
        self.path, self.interface, self.values = path, interface, values

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='ss', out_signature='v')
    def Get(self, interface, name):
        return self.values[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='s', out_signature='a{sv}')
    def GetAll(self, interface):
        return dbus.Dictionary(self.values, signature='sv') if interface == self.interface else {}


class Core(Properties):
    def __init__(self):
        super().__init__('/org/pulseaudio/core1', CORE, {'FallbackSink': dbus.ObjectPath(SINK)})

    @dbus.service.method(CORE, in_signature='sao', out_signature='')
    def ListenForSignal(self, signal, objects):
        pass


class Sink(Properties):
    def __init__(self):
        super().__init__(SINK, DEVICE, {'Volume': dbus.Array([dbus.UInt32(32768)] * 2, 'u'),
                                        'Mute': dbus.Boolean(False)})

    @dbus.service.signal(DEVICE, signature='au')
    def VolumeUpdated(self, volume):
        pass

    @dbus.service.signal(DEVICE, signature='b')
    def MuteUpdated(self, muted):
        pass

    @dbus.service.method('org.vantara.Test', in_signature='au', out_signature='')
    def SetVolume(self, volume):
        self.values['Volume'] = dbus.Array(volume, 'u')
        self.VolumeUpdated(self.values['Volume'])

    @dbus.service.method('org.vantara.Test', in_signature='b', out_signature='')
    def SetMute(self, muted):
        self.values['Mute'] = dbus.Boolean(muted)
        self.MuteUpdated(self.values['Mute'])


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
objects = [Core(), Sink()]


class Server(dbus.server.Server):
    def connection_added(self, connection):
        for o in objects:
            o.add_to_connection(connection, o.path)


server = Server(sys.argv[1])
print('ready', flush=True)
GLib.MainLoop().run()
