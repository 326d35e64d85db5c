#!/usr/bin/env python3
"""A stand-in for the desktop's Settings portal on the session bus.

    settings_portal.py KIND VALUE

KIND names the setting it holds: "appearance" (org.freedesktop.appearance
reduced-motion, a uint32, answered by ReadOne and Read), "gnome"
(org.gnome.desktop.interface enable-animations, a boolean, "true" or
"false") or "kde" (org.kde.kdeglobals.KDE AnimationDurationFactor, as text,
as KDE's portal gives it); with "gnome" and "kde" the portal is an older one,
which knows Read alone. Other settings are not found. The test changes the
setting with the method Set (VALUE as text) of org.blargo.test.Settings,
which sends SettingChanged as the portal does.
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SETTINGS = "org.freedesktop.portal.Settings"
KINDS = {
    "appearance": ("org.freedesktop.appearance", "reduced-motion", lambda v: dbus.UInt32(int(v))),
    "gnome": ("org.gnome.desktop.interface", "enable-animations", lambda v: dbus.Boolean(v == "true")),
    "kde": ("org.kde.kdeglobals.KDE", "AnimationDurationFactor", dbus.String),
}


class NotFound(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.portal.Error.NotFound"


class UnknownMethod(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.DBus.Error.UnknownMethod"


class Portal(dbus.service.Object):
    def __init__(self, bus, kind, value):
        super().__init__(bus, PATH)
        self.namespace, self.key, self.convert = KINDS[kind]
        self.read_one = kind == "appearance"
        self.value = self.convert(value)

    def lookup(self, namespace, key):
        if (namespace, key) != (self.namespace, self.key):
            raise NotFound("Requested setting not found")
        return self.value

    @dbus.service.method(SETTINGS, in_signature="ss", out_signature="v")
    def ReadOne(self, namespace, key):
        if not self.read_one:
            raise UnknownMethod("No such method ReadOne")
        return self.lookup(namespace, key)

    @dbus.service.method(SETTINGS, in_signature="ss", out_signature="v")
    def Read(self, namespace, key):
        # The older call wraps the value in one more variant.
        value = self.lookup(namespace, key)
        return type(value)(value, variant_level=2)

    @dbus.service.method(SETTINGS, in_signature="as", out_signature="a{sa{sv}}")
    def ReadAll(self, namespaces):
        return {self.namespace: {self.key: self.value}}

    @dbus.service.signal(SETTINGS, signature="ssv")
    def SettingChanged(self, namespace, key, value):
        pass

    @dbus.service.method("org.blargo.test.Settings", in_signature="s", out_signature="")
    def Set(self, text):
        self.value = self.convert(text)
        self.SettingChanged(self.namespace, self.key, self.value)


def main():
    kind, value = sys.argv[1], sys.argv[2]
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus, kind, value)
    # Owned only once the object answers, so a test waiting for the name
    # finds it ready.
    name = dbus.service.BusName(PORTAL, bus, do_not_queue=True)
    GLib.MainLoop().run()
    del portal, name


if __name__ == "__main__":
    main()
