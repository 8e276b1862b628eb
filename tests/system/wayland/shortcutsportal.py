#!/usr/bin/python3
"""A stand-in for the desktop portal's GlobalShortcuts interface on the session bus, as a
desktop that has one (KDE Plasma, GNOME 48, Hyprland) offers it: sessions with their
shortcuts, the Request objects' Response signal, and Activated on request.

Usage: shortcutsportal.py STATE.json [--refuse]
With --refuse every session is turned down (answer 2), as a backend of another desktop does
where it serves no shortcuts. Writes the live sessions and their shortcuts to STATE.json at every change. A test presses a
shortcut with the method test.ShortcutsPortal.Press(s shortcut_id) on the portal object."""
import json
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
PROPERTIES = "org.freedesktop.DBus.Properties"


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, response, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal, shortcuts):
        super().__init__(bus, path)
        self.portal, self.shortcuts = portal, shortcuts

    @dbus.service.method("org.freedesktop.portal.Session")
    def Close(self):
        self.remove_from_connection()
        del self.portal.sessions[self.__dbus_object_path__]
        self.portal.save()


def plain(shortcuts):
    return [[str(i), {str(k): str(v) for k, v in p.items()}] for i, p in shortcuts]


class Portal(dbus.service.Object):
    def __init__(self, bus, state, refuse):
        super().__init__(bus, PATH)
        self.bus, self.state, self.sessions, self.created = bus, state, {}, 0
        self.refuse = refuse

    def save(self):
        with open(self.state + ".new", "w") as out:
            json.dump({"created": self.created,
                       "sessions": {p: plain(s.shortcuts) for p, s in self.sessions.items()}},
                      out)
        # Whole files only, for a reader polling it.
        os.replace(self.state + ".new", self.state)

    def answer(self, sender, token, results, response=0):
        path = "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)
        request = Request(self.bus, path)
        # After the method's reply, as a real portal answers.
        GLib.idle_add(lambda: (request.Response(dbus.UInt32(response), results),
                               request.remove_from_connection(), False)[-1])
        return dbus.ObjectPath(path)

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        if interface == SHORTCUTS and name == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property",
                                            name="org.freedesktop.DBus.Error.UnknownProperty")

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender):
        if self.refuse:
            self.created += 1
            self.save()
            return self.answer(sender, options["handle_token"], {}, response=2)
        path = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"),
                                     options["session_handle_token"])
        self.sessions[path] = Session(self.bus, path, self, options.get("shortcuts", []))
        self.created += 1
        self.save()
        return self.answer(sender, options["handle_token"],
                           {"session_handle": dbus.String(path)})

    @dbus.service.method(SHORTCUTS, in_signature="oa{sv}", out_signature="o",
                         sender_keyword="sender")
    def ListShortcuts(self, session, options, sender):
        held = self.sessions[str(session)].shortcuts
        return self.answer(sender, options["handle_token"], {"shortcuts": dbus.Array(
            [dbus.Struct((i, p), signature="sa{sv}") for i, p in held], signature="(sa{sv})")})

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender):
        self.sessions[str(session)].shortcuts = shortcuts
        self.save()
        bound = dbus.Array([dbus.Struct((i, {"description": p["description"],
                                             "trigger_description": p["preferred_trigger"]}),
                                        signature="sa{sv}") for i, p in shortcuts],
                           signature="(sa{sv})")
        return self.answer(sender, options["handle_token"], {"shortcuts": bound})

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut, timestamp, options):
        pass

    @dbus.service.method("test.ShortcutsPortal", in_signature="s")
    def Press(self, shortcut):
        for path in self.sessions:
            self.Activated(dbus.ObjectPath(path), shortcut, dbus.UInt64(0),
                           dbus.Dictionary({}, signature="sv"))


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus, sys.argv[1], "--refuse" in sys.argv[2:])
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)
    portal.save()  # the state file tells that the name is taken
    GLib.MainLoop().run()
    del name


if __name__ == "__main__":
    main()
