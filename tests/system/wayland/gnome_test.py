"""The real program on a headless GNOME Shell: the desktop portal's Screenshot, with the
permission granted beforehand, and refused; a scroll capture through the RemoteDesktop portal
of an area dragged on the still screen, the portal's question answered by pointer.

Runs inside wayland-session gnome, from the folder holding the programs under test.
"""
import os
import subprocess
import time
import unittest

import dbus
import dbus.mainloop.glib
import gi

gi.require_version("Gst", "1.0")
from gi.repository import GLib, Gst  # noqa: E402

from wayland_case import SCROLL_WINDOW, VISTREL, VistrelCase, different_pixels, size_of, wait_for


def set_screenshot_permission(answer):
    subprocess.run(["gdbus", "call", "--session", "--dest",
                    "org.freedesktop.impl.portal.PermissionStore", "--object-path",
                    "/org/freedesktop/impl/portal/PermissionStore", "--method",
                    "org.freedesktop.impl.portal.PermissionStore.SetPermission", "screenshot",
                    "true", "screenshot", "", "['%s']" % answer],
                   check=True, stdout=subprocess.DEVNULL)


def colours_in(path):
    out = subprocess.check_output(["identify", "-format", "%k", path], text=True)
    return int(out)


class GnomeCapture(VistrelCase):
    def test_full_screen_through_the_portal_and_a_refusal_said(self):
        done = self.vistrel("/C1", "/M", self.save_to("full"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("screen from xdg-desktop-portal Screenshot", done.stderr)
        self.assertIn("マウスポインタを含められません", done.stderr)  # /M cannot be honoured
        self.assertEqual(size_of(self.saved("full")), (1280, 720))
        self.assertGreater(colours_in(self.saved("full")), 16)  # the shell, not a blank

        set_screenshot_permission("no")
        try:
            done = self.vistrel("/C1", self.save_to("refused"))
        finally:
            set_screenshot_permission("yes")
        self.assertEqual(done.returncode, 1)
        self.assertIn("スクリーンショットを許可しませんでした", done.stderr)
        self.assertFalse(os.path.exists(self.saved("refused")))

    def test_a_copy_that_cannot_outlive_the_program_is_said_and_fails(self):
        # GNOME offers no data-control: nothing without a window can hold the clipboard.
        done = self.vistrel("/C1", "/A6")
        self.assertEqual(done.returncode, 1)
        self.assertIn("画像をクリップボードに残せませんでした", done.stderr)
        self.assertIn("data-control", done.stderr)


dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)


class MutterInput:
    """A pointer and keyboard of the test's own through Mutter's remote desktop interface,
    standing in for the user (headless GNOME has no input device). Absolute moves need a
    screen cast stream of the same session, which also shows the test the screen."""
    MUTTER = "org.gnome.Mutter.RemoteDesktop"
    BUTTON_LEFT = 0x110

    def __init__(self):
        bus = dbus.SessionBus()
        wait_for(lambda: bus.name_has_owner(self.MUTTER), "the shell on the bus")
        path = bus.get_object(self.MUTTER, "/org/gnome/Mutter/RemoteDesktop").CreateSession(
            dbus_interface=self.MUTTER)
        self.session = dbus.Interface(bus.get_object(self.MUTTER, path), self.MUTTER + ".Session")
        session_id = self.session.Get(self.MUTTER + ".Session", "SessionId",
                                      dbus_interface="org.freedesktop.DBus.Properties")
        cast = bus.get_object("org.gnome.Mutter.ScreenCast", "/org/gnome/Mutter/ScreenCast")
        cast_path = cast.CreateSession({"remote-desktop-session-id": session_id},
                                       dbus_interface="org.gnome.Mutter.ScreenCast")
        self.stream = bus.get_object("org.gnome.Mutter.ScreenCast", cast_path).RecordMonitor(
            "", dbus.Dictionary({"cursor-mode": dbus.UInt32(0)}, signature="sv"),
            dbus_interface="org.gnome.Mutter.ScreenCast.Session")
        node = {}
        loop = GLib.MainLoop()
        bus.add_signal_receiver(lambda n: (node.update(id=int(n)), loop.quit()),
                                "PipeWireStreamAdded", "org.gnome.Mutter.ScreenCast.Stream",
                                None, self.stream)
        self.session.Start()
        GLib.timeout_add_seconds(30, loop.quit)
        loop.run()
        self.node = node["id"]
        # The first event of a new device can be lost while the shell binds to it.
        time.sleep(0.5)
        self.key(0xffe1)
        time.sleep(0.3)

    def key(self, keysym):
        for down in (True, False):
            self.session.NotifyKeyboardKeysym(dbus.UInt32(keysym), down)

    def move(self, x, y):
        self.session.NotifyPointerMotionAbsolute(self.stream, float(x), float(y))
        time.sleep(0.05)

    def button(self, down):
        self.session.NotifyPointerButton(self.BUTTON_LEFT, down)
        time.sleep(0.05)

    def click(self, x, y):
        self.move(x, y)
        self.button(True)
        self.button(False)

    def drag(self, start, end, steps=8):
        self.move(*start)
        self.button(True)
        for i in range(1, steps + 1):
            self.move(start[0] + (end[0] - start[0]) * i // steps,
                      start[1] + (end[1] - start[1]) * i // steps)
        self.button(False)

    def screen(self):
        """The screen now as raw RGB bytes, 1280 pixels a row, read from the stream (the
        Screenshot portal takes one request at a time, and the program under test uses it)."""
        Gst.init(None)
        pipeline = Gst.parse_launch(
            "pipewiresrc path=%d num-buffers=1 ! videoconvert ! video/x-raw,format=RGB ! "
            "appsink name=sink sync=false" % self.node)
        pipeline.set_state(Gst.State.PLAYING)
        try:
            sample = pipeline.get_by_name("sink").emit("try-pull-sample", 30 * Gst.SECOND)
            if sample is None:
                raise AssertionError("no frame from the screen cast")
            buffer = sample.get_buffer()
            return buffer.extract_dup(0, buffer.get_size())
        finally:
            pipeline.set_state(Gst.State.NULL)

    def stop(self):
        self.session.Stop()


def pattern_colour(x, y):
    """The scroll window's document (tests/system/harness/ScrollPattern.h)."""
    return (y & 0xff, (((y >> 8) & 0x1f) << 3) | ((x >> 5) & 7), (x * 3 + y * 7) & 0xff)


def write_pattern(path, width, height):
    rows = bytearray()
    for y in range(height):
        for x in range(width):
            rows += bytes(pattern_colour(x, y))
    with open(path, "wb") as out:
        out.write(b"P6 %d %d 255\n" % (width, height) + rows)


class GnomeScroll(VistrelCase):
    """GNOME tells no program where windows are: the user drags the window's area on the still
    screen, and the wheel comes through the RemoteDesktop portal after its question."""

    DOCUMENT = (400, 500, 5000)

    @classmethod
    def setUpClass(cls):
        cls.input = MutterInput()
        cls.input.key(0xff1b)  # out of the overview the shell starts in
        width, height, rows = cls.DOCUMENT
        cls.window = subprocess.Popen(
            [SCROLL_WINDOW, "0", "0", str(width), str(height), str(rows), "scroll-short"],
            env=dict(os.environ, QT_QPA_PLATFORM="wayland"), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        cls.window.kill()
        cls.window.wait()
        cls.input.stop()

    def document_origin(self):
        """Where the document's top-left pixel shows on the 1280-wide screen, or None."""
        pixels = self.input.screen()
        row = b"".join(bytes(pattern_colour(x, 1)) for x in range(8))
        at = pixels.find(row)
        while at >= 0 and at % 3:
            at = pixels.find(row, at + 1)
        return None if at < 0 else (at // 3 % 1280, at // 3 // 1280 - 1)

    def pixels_at(self, *points):
        pixels = self.input.screen()
        return [pixels[(y * 1280 + x) * 3:(y * 1280 + x) * 3 + 3] for x, y in points]

    def still_screen_shown(self):
        # Its hint darkens a band under the top bar, where the wallpaper shows otherwise.
        return max(self.pixels_at((170, 52))[0]) < 40

    def dialog_shown(self):
        # The portal's dialog, white, over the middle of the screen.
        return all(min(p) >= 240 for p in self.pixels_at((500, 420), (640, 460), (780, 500)))

    def test_a_dragged_area_is_taken_then_scroll_captured_whole_after_the_portals_question(self):
        width, height, rows = self.DOCUMENT
        x, y = wait_for(self.document_origin, "the scroll window shown in full", limit=60)
        reference = os.path.join(self.folder, "document.ppm")
        write_pattern(reference, width, rows)

        log = os.path.join(self.folder, "trace.log")

        def capture(name):
            running = subprocess.Popen(
                [VISTREL, "/C3", "/L", self.save_to(name)],
                env=dict(os.environ, VISTREL_CONFIG_DIR=self.config, QT_QPA_PLATFORM="wayland",
                         VISTREL_LOG_PLATFORM="1", VISTREL_TEST_LOG=log),
                stderr=subprocess.PIPE, text=True)
            wait_for(lambda: self.still_screen_shown() or running.poll() is not None,
                     "the still screen", limit=60)
            self.input.drag((x, y), (x + width, y + height))
            return running

        def same_rows(path, count):
            cropped = os.path.join(self.folder, "rows.png")
            expected = os.path.join(self.folder, "expected.png")
            subprocess.run(["convert", path, "-crop", "%dx%d+0+0" % (width, count), "+repage",
                            cropped], check=True)
            subprocess.run(["convert", reference, "-crop", "%dx%d+0+0" % (width, count),
                            "+repage", expected], check=True)
            return different_pixels(cropped, expected)

        # Without scrolling the area is the window: exactly what was dragged.
        self.settings("[ALL]\nAUTOSCROLL=0\n")
        running = capture("area")
        try:
            self.assertEqual(running.wait(60), 0, running.stderr.read())
        finally:
            running.kill()
            running.stderr.close()
        self.assertEqual(size_of(self.saved("area")), (width, height))
        self.assertEqual(same_rows(self.saved("area"), height), 0)

        def scroll_capture(name, allow):
            running = capture(name)
            try:
                wait_for(self.dialog_shown, "the portal's question", limit=90)
                if allow:
                    self.input.click(820, 300)  # "Allow remote interaction"
                    time.sleep(0.5)
                    self.input.click(842, 249)  # "Share"
                else:
                    self.input.click(440, 249)  # "Cancel"
                status = running.wait(300)
                errors = running.stderr.read()
            finally:
                running.kill()
                running.stderr.close()
            with open(log, encoding="utf-8") as trace:
                self.trace = trace.read()
            self.assertEqual(status, 0, errors)
            self.assertIn("wheel from the RemoteDesktop portal", errors)

        # Refused, the scroll keeps the first screenful and says why.
        self.settings("[ALL]\nAUTOSCROLL=1\n")
        scroll_capture("refused", allow=False)
        self.assertIn("許可されませんでした", self.trace)
        self.assertEqual(size_of(self.saved("refused")), (width, height))
        self.assertEqual(same_rows(self.saved("refused"), height), 0)

        scroll_capture("scrolled", allow=True)
        self.assertEqual(size_of(self.saved("scrolled")), (width, rows), self.trace)
        self.assertEqual(same_rows(self.saved("scrolled"), rows), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
