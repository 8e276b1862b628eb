"""The real program on a headless KWin (kwin_wayland --virtual): KWin's screenshot service,
granted by a desktop file as an installed package grants it.

Runs inside wayland-session kwin, from the folder holding the programs under test.
"""
import glob
import os
import re
import shutil
import subprocess
import unittest

from wayland_case import (COLOUR_WINDOW, SCROLL_WINDOW, VIRTUAL_POINTER, VISTREL, VistrelCase,
                          different_pixels, pixel_of, size_of, wait_for)


def on_bus(name):
    listed = subprocess.run(["busctl", "--user", "status", name], capture_output=True)
    return listed.returncode == 0


def still_screen_shown():
    """Whether KWin shows Vistrel's still screen (its window runner finds it by title)."""
    found = subprocess.run(["busctl", "--user", "call", "org.kde.KWin", "/WindowsRunner",
                            "org.kde.krunner1", "Match", "s", "Vistrel - "],
                           capture_output=True, text=True)
    # busctl writes the bytes of other than ASCII as octal escapes.
    title = "".join("\\%o" % byte for byte in "画面の選択".encode())
    return title in found.stdout


class KWinCapture(VistrelCase):
    @classmethod
    def setUpClass(cls):
        cls.window = subprocess.Popen([COLOUR_WINDOW, "pattern-k", "50"],
                                      env=dict(os.environ, QT_QPA_PLATFORM="wayland"))

    @classmethod
    def tearDownClass(cls):
        cls.window.kill()
        cls.window.wait()

    def test_active_window_and_full_screen_come_from_kwin(self):
        # The window is active once KWin has shown it: wait for its picture.
        def active_window_shown():
            done = self.vistrel("/C2", "/L", self.save_to("active"))
            return done.returncode == 0 and size_of(self.saved("active")) == (400, 300)

        wait_for(active_window_shown, "the window to be active")
        self.assertEqual(pixel_of(self.saved("active"), 0, 0), (0, 0, 50))
        self.assertEqual(pixel_of(self.saved("active"), 123, 45), (123, 45, 50))

        done = self.vistrel("/C1", self.save_to("full"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("screen from org.kde.KWin.ScreenShot2", done.stderr)
        # The desktop file grants KDE's fake input too: the wheel for scroll capture.
        self.assertIn("wheel from KDE fake input", done.stderr)
        self.assertEqual(size_of(self.saved("full")), (1280, 720))
        # The desktop is black without a wallpaper: what is left is the window, exactly.
        window_part = os.path.join(self.folder, "window.png")
        subprocess.run(["convert", self.saved("full"), "-trim", "+repage", window_part],
                       check=True)
        self.assertEqual(different_pixels(window_part, self.saved("active")), 0)

    def test_picking_on_the_still_screen_takes_the_clicked_window(self):
        def active_window_shown():
            done = self.vistrel("/C2", self.save_to("active"))
            return done.returncode == 0 and size_of(self.saved("active")) == (400, 300)

        wait_for(active_window_shown, "the window to be active")
        running = subprocess.Popen(
            [VISTREL, "/C3", self.save_to("picked")],
            env=dict(os.environ, VISTREL_CONFIG_DIR=self.config, QT_QPA_PLATFORM="wayland"),
            stderr=subprocess.PIPE, text=True)
        try:
            wait_for(still_screen_shown, "the still screen to open")
            # KWin places the window at the centre of the screen.
            subprocess.run([VIRTUAL_POINTER, "1280", "720", "640,360", "click1"], check=True)
            self.assertEqual(running.wait(60), 0, running.stderr.read())
        finally:
            running.kill()
            running.stderr.close()
        self.assertEqual(different_pixels(self.saved("picked"), self.saved("active")), 0)

    def test_the_full_program_is_granted_too_and_its_copy_outlives_it(self):
        # A copy to the clipboard runs in the full program, which the launcher becomes.
        done = self.vistrel("/C1", "/A6", env={"QT_QPA_PLATFORM": "wayland"})
        self.assertEqual(done.returncode, 0, done.stderr)
        # KWin offers wlroots' data-control too: the kept copy needs no window.
        done = self.vistrel("/C1", self.save_to("reference"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assert_copy_kept_until_another_copy(self.saved("reference"))

    def test_a_program_no_desktop_file_grants_is_refused_with_a_message(self):
        stranger = os.path.join(self.folder, "vistrel")
        shutil.copy(VISTREL, stranger)
        shutil.copy(VISTREL + "-app", stranger + "-app")
        done = self.vistrel("/C1", self.save_to("refused"), program=stranger)
        self.assertEqual(done.returncode, 1)
        self.assertIn("KWin が画面の読み取りを許可しませんでした", done.stderr)
        self.assertIn("wheel from none", done.stderr)
        self.assertFalse(os.path.exists(self.saved("refused")))


def steps_in(log):
    if not os.path.exists(log):
        return 0
    with open(log, encoding="utf-8") as trace:
        return trace.read().count("iScroll")


class KWinScroll(VistrelCase):
    """A scroll capture turned by KDE's fake input on the window KWin's window list finds,
    compared row for row with the same document shown whole in a tall window."""

    def setUp(self):
        super().setUp()
        self.started = []

    def tearDown(self):
        for program in self.started:
            program.kill()
            program.wait()
        super().tearDown()

    def start(self, *arguments):
        self.started.append(subprocess.Popen(
            [SCROLL_WINDOW, *arguments], env=dict(os.environ, QT_QPA_PLATFORM="wayland"),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

    def active_client(self, name, size):
        """KWin's picture of the active window's client area, once it has `size`."""
        def shown():
            done = self.vistrel("/C2", "/L", self.save_to(name))
            return done.returncode == 0 and size_of(self.saved(name)) == size
        wait_for(shown, "the window to be active at its size")
        return self.saved(name)

    def test_a_qt_scroll_area_of_5000_rows_is_stitched_whole(self):
        # KWin draws the whole window, also the part below the screen.
        self.start("0", "0", "400", "5000", "5000", "scroll-tall")
        reference = self.active_client("tall", (414, 5000))
        tall = self.started.pop()
        tall.kill()
        tall.wait()
        # KWin places the window at the centre of the screen, where the capture looks.
        self.start("0", "0", "400", "500", "5000", "scroll-short")
        self.active_client("short", (414, 500))
        self.settings("[ALL]\nAUTOSCROLL=1\n")
        log = os.path.join(self.folder, "trace.log")
        done = self.vistrel("/C3", "/W1", "/L", self.save_to("stitched"), timeout=300,
                            env={"VISTREL_TEST_LOG": log, "XDG_CACHE_HOME": self.folder})
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("windows from KWin window management", done.stderr)
        with open(log, encoding="utf-8") as trace:
            steps = trace.read()
        self.assertGreater(steps.count("iScroll"), 40)
        stitched = self.saved("stitched")
        self.assertEqual(size_of(stitched)[1], 5000)
        # Only the scroll bar on the right, which the tall window does not move, may differ.
        for path in (stitched, reference):
            subprocess.run(["convert", path, "-crop", "400x5000+0+0", "+repage", path],
                           check=True)
        self.assertEqual(different_pixels(stitched, reference), 0, steps)

    COMPONENT = ["busctl", "--user", "call", "org.kde.kglobalaccel",
                 "/component/vistrel_escape", "org.kde.kglobalaccel.Component"]

    def slow_scroll(self, name):
        """A scroll capture started in the background, once it has taken three steps, and
        the name of the Escape shortcut it holds meanwhile."""
        self.settings("[ALL]\nAUTOSCROLL=1\nSCROLLWAITTIME=300\n")
        self.log = os.path.join(self.folder, name + ".log")
        running = subprocess.Popen(
            [VISTREL, "/C3", "/W1", "/L", self.save_to(name)],
            env=dict(os.environ, VISTREL_CONFIG_DIR=self.config, XDG_CACHE_HOME=self.folder,
                     VISTREL_TEST_LOG=self.log), stderr=subprocess.DEVNULL)
        self.started.append(running)
        wait_for(lambda: steps_in(self.log) >= 3, "three steps")
        keys = subprocess.check_output(self.COMPONENT + ["allShortcutInfos"], text=True)
        action = re.search(r'"(escape-%d)" .* 1 %d ' % (running.pid, 0x01000000), keys)
        self.assertTrue(action, keys)
        return running, action.group(1)

    def shortcuts(self):
        return subprocess.run(self.COMPONENT + ["allShortcutInfos"], capture_output=True,
                              text=True).stdout

    def test_escape_is_kwins_shortcut_for_the_scroll_and_ends_it_keeping_the_rest(self):
        self.start("0", "0", "400", "500", "5000", "scroll-short")
        self.active_client("short", (414, 500))
        running, action = self.slow_scroll("escaped")
        # KWin's key handling takes a real keyboard: the shortcut is pressed instead.
        subprocess.run(self.COMPONENT + ["invokeShortcut", "s", action], check=True)
        self.assertEqual(running.wait(60), 0)
        with open(self.log, encoding="utf-8") as trace:
            self.assertIn("中断:Esc", trace.read())
        height = size_of(self.saved("escaped"))[1]
        self.assertTrue(500 < height < 5000, height)
        # The key is given back with the end of the scroll.
        self.assertNotIn(action, self.shortcuts())

        # A run that dies in the scroll leaves it held until the next run starts.
        running, action = self.slow_scroll("killed")
        running.kill()
        running.wait()
        self.assertIn(action, self.shortcuts())
        done = self.vistrel("/C1", self.save_to("next"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertNotIn(action, self.shortcuts())


class KWinShortcuts(VistrelCase):
    """KDE's own portal backend on the real portal. WITH_PORTAL_KDE_ROOT names where the
    package xdg-desktop-portal-kde is unpacked (scripts/install-deps; default: installed, "/")."""

    def start_portal(self):
        root = os.environ.get("WITH_PORTAL_KDE_ROOT", "/")
        backends = glob.glob(os.path.join(root, "usr/lib/*/libexec/xdg-desktop-portal-kde"))
        if not backends:
            missing = ("KDE's portal backend (xdg-desktop-portal-kde) is not in %s (run "
                       "scripts/install-deps): no GlobalShortcuts here" % root)
            if os.environ.get("CI"):
                self.fail(missing)
            self.skipTest(missing)
        backend = backends[0]
        libs = os.path.dirname(os.path.dirname(backend))
        # Its shortcuts need no window: it runs whether or not Qt 5 has its wayland plugin.
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", LD_LIBRARY_PATH=libs,
                   XDG_DESKTOP_PORTAL_DIR=os.path.join(root, "usr/share/xdg-desktop-portal/portals"))
        self.services = [subprocess.Popen([backend], env=env, stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL)]
        wait_for(lambda: on_bus("org.freedesktop.impl.portal.desktop.kde"), "KDE's backend")
        # Replacing a portal that an earlier start activated without the backend.
        self.services.append(subprocess.Popen(["/usr/libexec/xdg-desktop-portal", "--replace"],
                                              env=env, stderr=subprocess.DEVNULL))
        wait_for(lambda: subprocess.run(
            ["busctl", "--user", "call", "org.freedesktop.portal.Desktop",
             "/org/freedesktop/portal/desktop", "org.freedesktop.DBus.Properties", "Get", "ss",
             "org.freedesktop.portal.GlobalShortcuts", "version"],
            capture_output=True).returncode == 0, "the portal with GlobalShortcuts")

    def tearDown(self):
        for service in reversed(getattr(self, "services", [])):
            service.terminate()
            service.wait()
        super().tearDown()

    def test_each_slot_becomes_a_named_shortcut_and_its_press_runs_that_slot(self):
        self.start_portal()
        component = ["busctl", "--user", "call", "org.kde.kglobalaccel", "/component/vistrel",
                     "org.kde.kglobalaccel.Component"]
        # The user's home keeps the component of an earlier run: forget it, so that the
        # suggested keys are taken afresh.
        subprocess.run(component + ["cleanUp"], capture_output=True)
        shots = os.path.join(self.folder, "shots")
        os.mkdir(shots)
        self.settings("[AUTOSAVE]\nDIR=%s\nFILE=pressed\nSAVETYPE=10\n[HOTKEY]\n"
                      "COMMAND0=screen\nPARAM0=/C1,/A5\nCTRL0=1\nALT0=1\nKEY0=P\n"
                      "COMMAND1=second\nPARAM1=/C1,%s\nSHIFT1=1\nWIN1=1\nKEY1=F5\n"
                      % (shots, self.save_to("second")))
        log = os.path.join(self.folder, "stderr")
        with open(log, "w") as errors:
            running = subprocess.Popen(
                [VISTREL], env=dict(os.environ, VISTREL_CONFIG_DIR=self.config,
                                    QT_QPA_PLATFORM="wayland", VISTREL_LOG_PLATFORM="1"),
                stderr=errors)

        def said():
            with open(log, encoding="utf-8") as text:
                return text.read()

        try:
            wait_for(lambda: "with 2 shortcuts (answer 0" in said(), "the bound session")
            infos = subprocess.check_output(component + ["allShortcutInfos"], text=True)
            # Named after the entries, on the suggested keys (Qt's key codes): the portal's
            # notation is understood, Windows' key included.
            keys = dict(re.findall(r'"(hotkey20\d)" "\w+" .*?"Default Context" 1 (\d+)', infos))
            self.assertIn('"hotkey200" "screen"', infos)
            self.assertIn('"hotkey201" "second"', infos)
            self.assertEqual(int(keys["hotkey200"]), 0x04000000 | 0x08000000 | ord("P"))
            self.assertEqual(int(keys["hotkey201"]), 0x02000000 | 0x10000000 | 0x01000034)
            # KWin's shortcut handling takes a real keyboard: the component is pressed instead,
            # which is what KWin does on the key. Each press runs its own slot (the second
            # one names its own file).
            subprocess.run(component + ["invokeShortcut", "s", "hotkey200"], check=True)
            shot = os.path.join(shots, "pressed001.png")
            wait_for(lambda: os.path.exists(shot) and size_of(shot) == (1280, 720),
                     "the picture of the first slot")
            subprocess.run(component + ["invokeShortcut", "s", "hotkey201"], check=True)
            def second():  # its number goes on from the continuous save's counter
                return glob.glob(os.path.join(self.folder, "second*.png"))

            wait_for(lambda: second() and size_of(second()[0]) == (1280, 720),
                     "the picture of the second slot")
            self.assertEqual(os.listdir(shots), ["pressed001.png"])
        finally:
            running.terminate()
            running.wait(30)

def set_decoration(library):
    """Makes KWin draw its windows' frames with `library` from now on (new windows at their
    size; the session starts with one that draws none)."""
    with open(os.environ["WITH_KWINRC"], "w") as rc:
        rc.write("[org.kde.kdecoration2]\nlibrary=%s\ntheme=Breeze\n" % library)
    subprocess.run(["busctl", "--user", "call", "org.kde.KWin", "/KWin", "org.kde.KWin",
                    "reconfigure"], check=True)


class KWinTitleBar(KWinScroll):
    """Windows with KDE's Breeze title bar, as on a real Plasma desktop (the decoration is
    unpacked where WITH_KWIN_DECORATION_ROOT says): the client area leaves the bar out, for
    a plain capture as for a scroll."""

    # Escape does not depend on the frame.
    test_escape_is_kwins_shortcut_for_the_scroll_and_ends_it_keeping_the_rest = None

    @classmethod
    def setUpClass(cls):
        root = os.environ.get("WITH_KWIN_DECORATION_ROOT", "/nonexistent")
        if not glob.glob(os.path.join(
                root, "usr/lib/*/qt5/plugins/org.kde.kdecoration2/breezedecoration.so")):
            reason = "KDE's Breeze decoration (kwin-style-breeze) is not unpacked in " + root
            if os.environ.get("CI"):
                raise AssertionError(reason + ": scripts/install-deps unpacks it")
            raise unittest.SkipTest(reason)
        set_decoration("org.kde.breeze")

    @classmethod
    def tearDownClass(cls):
        set_decoration("org.kde.kwin.aurorae")

    def test_picked_and_active_client_areas_leave_the_title_bar_out(self):
        self.started.append(subprocess.Popen([COLOUR_WINDOW, "pattern-k", "50"],
                                             env=dict(os.environ, QT_QPA_PLATFORM="wayland")))

        def framed_window_active():
            done = self.vistrel("/C2", self.save_to("active-whole"))
            return done.returncode == 0 and size_of(self.saved("active-whole"))[1] > 300

        wait_for(framed_window_active, "the framed window to be active")
        whole = size_of(self.saved("active-whole"))
        self.assertEqual(whole[0], 400)
        client = self.active_client("active", (400, 300))
        self.assertEqual(pixel_of(client, 0, 0), (0, 0, 50))
        self.assertEqual(pixel_of(client, 123, 45), (123, 45, 50))
        # The window under the screen's centre, from KWin's window list.
        for name, client_only in (("picked", ["/L"]), ("picked-whole", [])):
            done = self.vistrel("/C3", "/W1", *client_only, self.save_to(name))
            self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(different_pixels(self.saved("picked"), client), 0)
        self.assertEqual(size_of(self.saved("picked-whole")), whole)
        below_bar = os.path.join(self.folder, "below-bar.png")
        subprocess.run(["convert", self.saved("picked-whole"), "-gravity", "South", "-crop",
                        "400x300+0+0", "+repage", below_bar], check=True)
        self.assertEqual(different_pixels(below_bar, client), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
