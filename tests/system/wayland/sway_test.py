"""The real program on a headless sway: captures compared pixel for pixel with grim's.

Runs inside wayland-session sway (two outputs: HEADLESS-1 at scale 1, HEADLESS-2 at scale 2
to its right), from the folder holding the programs under test.
"""
import email
import email.policy
import json
import os
import shutil
import signal
import subprocess
import time
import unittest

from wayland_case import (COLOUR_WINDOW, SCROLL_WINDOW, TRAY_HOST, VIRTUAL_POINTER, VISTREL,
                          VistrelCase,
                          different_pixels, size_of, pixel_of, wait_for)


def sway_windows():
    tree = json.loads(subprocess.check_output(["swaymsg", "-t", "get_tree"]))
    found = []

    def walk(node):
        if "pid" in node:
            found.append(node)
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            walk(child)

    walk(tree)
    return found


def window_named(title):
    return next((w for w in sway_windows() if w.get("name") == title), None)


def rect_of(node, client=False):
    r = node["rect"]
    x, y, w, h = r["x"], r["y"], r["width"], r["height"]
    if client:
        c = node["window_rect"]
        return x + c["x"], y + c["y"], c["width"], c["height"]
    deco = node.get("deco_rect", {}).get("height", 0)
    return x, y - deco, w, h + deco


def pointer(*steps):
    """Runs pointer steps ("X,Y" moves there, "click1", "press1", "release1", "click3")."""
    outputs = json.loads(subprocess.check_output(["swaymsg", "-t", "get_outputs"]))
    width = max(o["rect"]["x"] + o["rect"]["width"] for o in outputs)
    height = max(o["rect"]["y"] + o["rect"]["height"] for o in outputs)
    subprocess.run([VIRTUAL_POINTER, str(width), str(height), *steps], check=True)


def still_screen_of(process):
    return any(w["pid"] == process.pid and w.get("fullscreen_mode") for w in sway_windows())


class SwayCapture(VistrelCase):
    @classmethod
    def setUpClass(cls):
        cls.windows = []
        for title, blue in (("pattern-a", 0), ("pattern-b", 200)):
            cls.windows.append(subprocess.Popen(
                [COLOUR_WINDOW, title, str(blue)],
                env=dict(os.environ, QT_QPA_PLATFORM="wayland")))
            wait_for(lambda t=title: window_named(t), "window " + title)
        # The last window opened has the focus; let both finish their first frames.
        wait_for(lambda: all(window_named(t)["visible"] for t in ("pattern-a", "pattern-b")),
                 "windows shown")
        time.sleep(0.5)

    @classmethod
    def tearDownClass(cls):
        for window in cls.windows:
            window.kill()
            window.wait()

    def grim(self, name, output=None, rect=None):
        path = os.path.join(self.folder, name)
        command = ["grim"]
        if output:
            command += ["-o", output]
        if rect:
            command += ["-g", "%d,%d %dx%d" % rect]
        subprocess.run(command + [path], check=True)
        return path

    def assert_same_picture(self, shot, reference, pointer_at=None):
        self.assertEqual(size_of(shot), size_of(reference))
        if pointer_at:
            # A headless output has no cursor plane: the compositor paints the pointer into
            # every frame while a pointer device exists, so its square is left out.
            x, y = pointer_at
            for path in (shot, reference):
                subprocess.run(["convert", path, "-fill", "black", "-draw",
                                "rectangle %d,%d %d,%d" % (x - 32, y - 32, x + 32, y + 32),
                                path], check=True)
        self.assertEqual(different_pixels(shot, reference), 0)

    def test_full_screen_equals_grim_on_each_output_whatever_its_scale(self):
        done = self.vistrel("/C1", self.save_to("primary"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("screen from wlr-screencopy, windows from sway IPC", done.stderr)
        self.assert_same_picture(self.saved("primary"), self.grim("primary.png", "HEADLESS-1"))

        self.assert_all_monitors_keep_the_scaled_ones_pixels()

    def assert_all_monitors_keep_the_scaled_ones_pixels(self, env=None):
        """Both monitors: composed at the higher scale, the scaled one's pixels unchanged."""
        self.settings("[ALL]\nFULLSCREEN=1\n")
        done = self.vistrel("/C1", self.save_to("all"), env=env)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(size_of(self.saved("all")), (2 * 1280 + 1280, 1440))
        right = os.path.join(self.folder, "right.png")
        subprocess.run(["convert", self.saved("all"), "-crop", "1280x720+2560+0", "+repage",
                        right], check=True)
        self.assert_same_picture(right, self.grim("scaled.png", "HEADLESS-2"))

    def test_active_window_gives_its_exact_rectangle_with_or_without_frame(self):
        focused = wait_for(lambda: next((w for w in sway_windows() if w["focused"]), None),
                           "a focused window")
        done = self.vistrel("/C2", self.save_to("outer"))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assert_same_picture(self.saved("outer"),
                                 self.grim("outer.png", rect=rect_of(focused)))

        done = self.vistrel("/C2", "/L", self.save_to("client"))
        self.assertEqual(done.returncode, 0, done.stderr)
        client = rect_of(focused, client=True)
        self.assertEqual(size_of(self.saved("client")), client[2:])
        blue = 200 if focused["name"] == "pattern-b" else 0
        self.assertEqual(pixel_of(self.saved("client"), 0, 0), (0, 0, blue))
        self.assertEqual(pixel_of(self.saved("client"), 37, 101), (37, 101, blue))

    def on_still_screen(self, kind, name, *steps):
        """Runs the full program for `kind` saving as `name`, and once its still screen is up,
        the pointer steps; the exit status and what it wrote on stderr."""
        running = subprocess.Popen(
            [VISTREL, kind, self.save_to(name)],
            env=dict(os.environ, VISTREL_CONFIG_DIR=self.config, QT_QPA_PLATFORM="wayland"),
            stderr=subprocess.PIPE, text=True)
        try:
            wait_for(lambda: still_screen_of(running), "the still screen to open")
            pointer(*steps)
            status = running.wait(60)
            return status, running.stderr.read()
        finally:
            running.kill()
            running.stderr.close()

    def test_picking_takes_the_clicked_window_and_the_right_button_cancels(self):
        x, y, w, h = rect_of(window_named("pattern-a"))
        status, errors = self.on_still_screen("/C3", "picked", "%d,%d" % (x + w // 2, y + h // 2),
                                              "click1")
        self.assertEqual(status, 0, errors)
        # The click gave the window the focus (and its frame the focused colour) before the grab.
        self.assert_same_picture(self.saved("picked"), self.grim("ref.png", rect=(x, y, w, h)),
                                 pointer_at=(w // 2, h // 2))

        # As on X11: a script learns that nothing was captured.
        status, errors = self.on_still_screen("/C3", "cancelled", "10,10", "click3")
        self.assertEqual(status, 1)
        self.assertIn("中断", errors)
        self.assertFalse(os.path.exists(self.saved("cancelled")))

    def test_a_region_dragged_on_the_still_screen_is_taken_exactly(self):
        cx, cy, _, _ = rect_of(window_named("pattern-a"), client=True)
        # A drag, then a double click inside the selection takes it.
        status, errors = self.on_still_screen(
            "/C4", "region", "%d,%d" % (cx + 20, cy + 30), "press1", "%d,%d" % (cx + 70, cy + 70),
            "%d,%d" % (cx + 120, cy + 110), "release1", "%d,%d" % (cx + 50, cy + 50), "click1",
            "click1")
        self.assertEqual(status, 0, errors)
        self.assertEqual(size_of(self.saved("region")), (100, 80))
        self.assertEqual(pixel_of(self.saved("region"), 0, 0), (20, 30, 0))
        self.assertEqual(pixel_of(self.saved("region"), 99, 79), (119, 109, 0))

    def test_the_desktop_portal_gives_the_same_picture(self):
        services = [subprocess.Popen(["pipewire"], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)]
        try:
            # The portal fails without PipeWire's socket.
            wait_for(lambda: os.path.exists(os.path.join(os.environ["XDG_RUNTIME_DIR"],
                                                         "pipewire-0")), "PipeWire")
            services.append(subprocess.Popen(["/usr/libexec/xdg-desktop-portal-wlr"],
                                             stdout=subprocess.DEVNULL,
                                             stderr=subprocess.DEVNULL))
            portal = {"VISTREL_WAYLAND_SCREEN": "portal"}
            done = self.vistrel("/C1", self.save_to("portal"), env=portal)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertIn("screen from xdg-desktop-portal Screenshot", done.stderr)
            # The portal composes every monitor at the highest scale and resamples the
            # others: the primary one comes back at its own size, the scaled one exact.
            self.assertEqual(size_of(self.saved("portal")), (1280, 720))
            self.assert_all_monitors_keep_the_scaled_ones_pixels(env=portal)
        finally:
            for service in services:
                service.kill()
                service.wait()

    def test_a_way_the_desktop_does_not_offer_is_said_not_faked(self):
        done = self.vistrel("/C1", self.save_to("none"), env={"VISTREL_WAYLAND_SCREEN": "kwin"})
        self.assertEqual(done.returncode, 1)
        self.assertIn("画面を読み取る方法を提供していません", done.stderr)
        self.assertFalse(os.path.exists(self.saved("none")))


def swaymsg(*command):
    subprocess.run(["swaymsg", "-q", "--", *command], check=True)


class SwayScroll(VistrelCase):
    """Scroll captures through the virtual pointer, compared row for row with the same
    document shown whole in a window on a tall output of its own."""

    TALL = "HEADLESS-9"

    @classmethod
    def setUpClass(cls):
        before = {o["name"] for o in json.loads(subprocess.check_output(
            ["swaymsg", "-t", "get_outputs"]))}
        swaymsg("create_output")
        after = json.loads(subprocess.check_output(["swaymsg", "-t", "get_outputs"]))
        cls.TALL = next(o["name"] for o in after if o["name"] not in before)
        swaymsg("output", cls.TALL, "resolution", "800x5400", "position", "4000", "0")
        # The windows under test float at the size they ask for, alone on a workspace.
        swaymsg("for_window", '[title="^scroll-"]', "floating", "enable")
        swaymsg("floating_maximum_size", "-1", "x", "-1")
        swaymsg("focus", "output", "HEADLESS-1")
        swaymsg("workspace", "scrolling")
        cls.started = []

    @classmethod
    def tearDownClass(cls):
        for program in cls.started:
            program.kill()
            program.wait()
        swaymsg("output", cls.TALL, "disable")

    def start(self, command, title):
        self.started.append(subprocess.Popen(
            command, env=dict(os.environ, QT_QPA_PLATFORM="wayland"),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        window = wait_for(lambda: window_named(title), "window " + title)
        wait_for(lambda: window_named(title)["visible"], title + " shown")
        return window

    def show_whole(self, command, title, size=None):
        """Shows `command`'s window on the tall output, at `size` where given: the client
        rectangle, once it shows the same picture twice."""
        swaymsg("focus", "output", self.TALL)
        self.start(command, title)
        if size:
            swaymsg("[title=\"%s\"]" % title, "resize", "set", str(size[0]), str(size[1]))
        swaymsg("[title=\"%s\"]" % title, "move", "absolute", "position", "4000", "0")
        swaymsg("focus", "output", "HEADLESS-1")
        wait_for(lambda: window_named(title)["rect"]["x"] == 4000, title + " moved")
        # The tree may still tell the old frame for a moment: the same answer twice.
        return self.settled(lambda: rect_of(window_named(title), client=True))

    def settled(self, where):
        """Waits until the rectangle `where` gives and grim's picture of it hold still."""
        def same_twice():
            rect = where()
            first = self.grim("look1.png", rect)
            time.sleep(0.1)
            second = self.grim("look2.png", rect)
            return rect if rect == where() and different_pixels(first, second) == 0 else None
        return wait_for(same_twice, "a still picture")

    def grim(self, name, rect):
        path = os.path.join(self.folder, name)
        subprocess.run(["grim", "-g", "%d,%d %dx%d" % rect, path], check=True)
        return path

    def scroll_capture(self, name):
        """Scroll-captures the client area of the window at the primary display's centre."""
        log = os.path.join(self.folder, "trace.log")
        done = self.vistrel("/C3", "/W1", "/L", self.save_to(name), timeout=300,
                            env={"VISTREL_TEST_LOG": log, "XDG_CACHE_HOME": self.folder})
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("wheel from wlr virtual pointer", done.stderr)
        with open(log, encoding="utf-8") as trace:
            self.trace = trace.read()
        return self.saved(name)

    @staticmethod
    def steps_in(log):
        if not os.path.exists(log):
            return 0
        with open(log, encoding="utf-8") as trace:
            return trace.read().count("iScroll")

    def assert_same_rows(self, stitched, reference, columns, rows):
        for path in (stitched, reference):
            subprocess.run(["convert", path, "-crop", "%dx%d+0+0" % (columns, rows), "+repage",
                            path], check=True)
        self.assertEqual(size_of(stitched), (columns, rows))
        self.assertEqual(different_pixels(stitched, reference), 0, self.trace)

    def test_a_qt_scroll_area_of_5000_rows_is_stitched_whole_and_escape_keeps_the_rest(self):
        self.settings("[ALL]\nAUTOSCROLL=1\n")
        x, y, w, _ = self.show_whole([SCROLL_WINDOW, "0", "0", "400", "5000", "5000",
                                      "scroll-tall"], "scroll-tall")
        reference = self.grim("qt-tall.png", (x, y, w, 5000))
        short = [SCROLL_WINDOW, "0", "0", "400", "500", "5000", "scroll-short"]
        self.start(short, "scroll-short")
        stitched = self.scroll_capture("qt")
        self.assertNotIn("マーカー", self.trace)
        # Only the scroll bar on the right, which the tall window does not move, may differ.
        self.assertEqual(size_of(stitched)[1], 5000)
        self.assert_same_rows(stitched, reference, 400, 5000)

        # Escape, which sway keeps from the window meanwhile, ends a slow scroll with what it has.
        first = self.started.pop()
        first.kill()
        first.wait()
        wait_for(lambda: not window_named("scroll-short"), "the first window to close")
        self.start(short, "scroll-short")
        self.settings("[ALL]\nAUTOSCROLL=1\nSCROLLWAITTIME=300\n")
        log = os.path.join(self.folder, "escape.log")
        running = subprocess.Popen(
            [VISTREL, "/C3", "/W1", "/L", self.save_to("escaped")],
            env=dict(os.environ, VISTREL_CONFIG_DIR=self.config, XDG_CACHE_HOME=self.folder,
                     VISTREL_TEST_LOG=log), stderr=subprocess.DEVNULL)
        try:
            wait_for(lambda: self.steps_in(log) >= 3, "three steps")
            subprocess.run(["wtype", "-k", "Escape"], check=True)
            self.assertEqual(running.wait(60), 0)
        finally:
            running.kill()
        with open(log, encoding="utf-8") as trace:
            self.trace = trace.read()
        self.assertIn("中断:Esc", self.trace)
        height = size_of(self.saved("escaped"))[1]
        self.assertTrue(500 < height < 5000, height)
        self.assert_same_rows(self.saved("escaped"), reference, 400, height)

    @unittest.skipUnless(shutil.which("foot"), "foot is not installed")
    def test_foot_scrollback_is_stitched_row_for_row(self):
        self.settings("[ALL]\nAUTOSCROLL=1\n")
        lines = 150
        # No cursor and no scrollback position box: only the text moves.
        script = ("printf '\\033[?25l'; seq %d | awk '{s = \"\"; for (i = 0; i < $1 * 7 %% 61; i++) "
                  "s = s substr(\"abcdefghijklmnopqrstuvwxyz0123456789\", ($1 + i) %% 36 + 1, 1); "
                  "print \"line \" $1 \" \" s}'; exec sleep 1000" % lines)

        def foot(title, rows):
            return ["foot", "-T", title, "-W", "80x%d" % rows,
                    "-o", "scrollback.indicator-position=none", "sh", "-c", script]

        # The tall one as wide as the other (80 columns and the frame), tall enough for all.
        tall = self.show_whole(foot("scroll-foot-tall", 30), "scroll-foot-tall",
                               size=(528, 3000))
        self.start(foot("scroll-foot", 30), "scroll-foot")
        x, y, w, h = rect_of(window_named("scroll-foot"), client=True)
        # Back to the first line: the capture scrolls down from there.
        pointer("%d,%d" % (x + w // 2, y + h // 2), "up:%d" % lines)
        self.settled(lambda: (x, y, w, h))
        stitched = self.scroll_capture("foot")
        width, height = size_of(stitched)
        self.assertEqual(width, tall[2])
        self.assertGreater(height, 5 * h, self.trace)
        reference = self.grim("foot-tall.png", (tall[0], tall[1], width, height))
        self.assert_same_rows(stitched, reference, width, height)
class SwayBoundCommand(VistrelCase):
    """Sway has no hotkey portal: a key bound in its configuration runs the command the hotkey
    dialog shows, and the started copy hands the capture to the running one."""

    def test_a_bindsym_running_the_entrys_command_captures_through_the_running_copy(self):
        shots = os.path.join(self.folder, "shots")
        os.mkdir(shots)
        self.settings("[AUTOSAVE]\nDIR=%s\nFILE=bound\nSAVETYPE=10\n[HOTKEY]\nCOMMAND0=screen\n"
                      "PARAM0=/C1,/A5\nCTRL0=1\nALT0=1\nKEY0=P\n" % shots)
        running = subprocess.Popen(
            [VISTREL], env=dict(os.environ, VISTREL_CONFIG_DIR=self.config,
                                QT_QPA_PLATFORM="wayland", VISTREL_LOG_PLATFORM="1"),
            stderr=subprocess.PIPE, text=True)
        try:
            wait_for(lambda: any(w["pid"] == running.pid for w in sway_windows()),
                     "the main window")
            # The command as the hotkey dialog shows it. It carries no settings folder: the
            # picture lands in the running copy's continuous-save folder only if handed over.
            subprocess.run(["swaymsg", "bindsym", "Ctrl+Alt+p", "exec", VISTREL, "/C1", "/A5"],
                           check=True, stdout=subprocess.DEVNULL)
            subprocess.run(["wtype", "-M", "ctrl", "-M", "alt", "p", "-m", "alt", "-m", "ctrl"],
                           check=True)
            shot = os.path.join(shots, "bound001.png")
            wait_for(lambda: os.path.exists(shot) and size_of(shot) == (1280, 720),
                     "the picture saved by the running copy")
            self.assertEqual(running.poll(), None, "the running copy went on")
            self.assertEqual(len(os.listdir(shots)), 1)
        finally:
            subprocess.run(["swaymsg", "unbindsym", "Ctrl+Alt+p"], stdout=subprocess.DEVNULL)
            running.terminate()
            _, errors = running.communicate(timeout=30)
        self.assertIn("hotkeys as commands bound by the desktop", errors)


class SwayShortcutsPortal(VistrelCase):
    """Where the desktop's portal has GlobalShortcuts, the slots go to it (here a stand-in
    portal on the session's bus, as KDE Plasma, GNOME 48 or Hyprland offer it)."""

    def start_stand_in(self, *arguments):
        """The stand-in portal on a bus of its own (the session's may hold the real portal from
        an earlier test); returns the environment that reaches it."""
        self.state = os.path.join(self.folder, "portal.json")
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                               stdout=subprocess.PIPE, text=True)
        self.addCleanup(bus.stdout.close)
        self.addCleanup(lambda: (bus.terminate(), bus.wait()))
        on_bus = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().strip())
        portal = subprocess.Popen(["python3", os.path.join(os.path.dirname(VISTREL),
                                                           "shortcutsportal.py"), self.state,
                                   *arguments], env=on_bus)
        self.addCleanup(lambda: (portal.terminate(), portal.wait()))
        wait_for(lambda: os.path.exists(self.state), "the stand-in portal")
        return on_bus

    def portal_state(self):
        with open(self.state) as f:
            return json.load(f)

    def test_each_slot_is_offered_with_its_name_and_key_and_a_press_captures(self):
        shots = os.path.join(self.folder, "shots")
        os.mkdir(shots)
        self.settings("[AUTOSAVE]\nDIR=%s\nFILE=pressed\nSAVETYPE=10\n[HOTKEY]\n"
                      "COMMAND0=screen\nPARAM0=/C1,/A5\nCTRL0=1\nALT0=1\nKEY0=P\n"
                      "COMMAND1=second\nPARAM1=/C2,/A6\nSHIFT1=1\nWIN1=1\nKEY1=F5\n"
                      "COMMAND2=keyless\nPARAM2=/C1,/A6\n" % shots)
        on_bus = self.start_stand_in()
        running = subprocess.Popen(
            [VISTREL], env=dict(on_bus, VISTREL_CONFIG_DIR=self.config,
                                QT_QPA_PLATFORM="wayland", VISTREL_LOG_PLATFORM="1"),
            stderr=subprocess.PIPE, text=True)
        try:
            # The first session of a run is replaced at once (Plasma 5.27 reports presses only
            # to sessions begun once the program's component exists): one stays.
            wait_for(lambda: self.portal_state()["created"] == 2 and
                     len(self.portal_state()["sessions"]) == 1, "the second session")
            shortcuts = list(self.portal_state()["sessions"].values())[0]
            self.assertEqual(shortcuts, [
                ["hotkey200", {"description": "screen", "preferred_trigger": "CTRL+ALT+p"}],
                ["hotkey201", {"description": "second", "preferred_trigger": "SHIFT+LOGO+F5"}]])

            subprocess.run(["busctl", "--user", "call", "org.freedesktop.portal.Desktop",
                            "/org/freedesktop/portal/desktop", "test.ShortcutsPortal", "Press",
                            "s", "hotkey200"], check=True, env=on_bus)
            shot = os.path.join(shots, "pressed001.png")
            wait_for(lambda: os.path.exists(shot) and size_of(shot) == (1280, 720),
                     "the picture of the pressed hotkey")
        finally:
            running.terminate()
            _, errors = running.communicate(timeout=30)
        self.assertIn("hotkeys from the GlobalShortcuts portal", errors)

    def test_a_portal_that_turns_the_session_down_leaves_the_hotkeys_as_commands(self):
        # A backend of another desktop (KDE's on sway) offers the interface but serves no
        # shortcuts: the program asks once, then falls back to the commands to bind.
        self.settings("[HOTKEY]\nCOMMAND0=screen\nPARAM0=/C1,/A5\nCTRL0=1\nALT0=1\nKEY0=P\n")
        on_bus = self.start_stand_in("--refuse")
        log = os.path.join(self.folder, "stderr")
        with open(log, "w") as errors:
            running = subprocess.Popen(
                [VISTREL], env=dict(on_bus, VISTREL_CONFIG_DIR=self.config,
                                    QT_QPA_PLATFORM="wayland", VISTREL_LOG_PLATFORM="1"),
                stderr=errors)
        self.addCleanup(lambda: (running.terminate(), running.wait(30)))

        def said():
            with open(log, encoding="utf-8") as text:
                return text.read()

        wait_for(lambda: "hotkeys as commands bound by the desktop" in said(),
                 "the fall-back to bound commands")
        self.assertIn("hotkeys from the GlobalShortcuts portal", said())
        self.assertEqual(self.portal_state()["created"], 1)

class SwayClipboardAndTray(VistrelCase):
    def test_a_copy_stays_pasteable_after_exit_until_another_program_copies(self):
        done = self.vistrel("/C1", "/A6")
        self.assertEqual(done.returncode, 0, done.stderr)
        reference = os.path.join(self.folder, "grim.png")
        subprocess.run(["grim", "-o", "HEADLESS-1", reference], check=True)
        self.assert_copy_kept_until_another_copy(reference)

    def test_mail_with_the_capture_sound_on_works_as_on_x11(self):
        # Sending needs no window system: a stand-in transfer agent keeps what it is given.
        bin_folder = os.path.join(self.folder, "bin")
        os.mkdir(bin_folder)
        message = os.path.join(self.folder, "message")
        with open(os.path.join(bin_folder, "sendmail"), "w") as agent:
            agent.write("#!/bin/sh\necho \"$@\" > '%s.args'\ncat > '%s'\n" % (message, message))
        os.chmod(os.path.join(bin_folder, "sendmail"), 0o755)
        self.settings("[ALL]\nWAVECALL=1\nWAVEFILE=/usr/share/sounds/freedesktop/stereo/"
                      "device-removed.oga\n[SENDMAIL]\nAUTOSEND=1\nTO=friend@example.com\n"
                      "SUBJECT=wayland\n")
        done = self.vistrel("/C1", "/A8",
                            env={"PATH": bin_folder + ":" + os.environ["PATH"]})
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(message + ".args") as args:
            self.assertIn("friend@example.com", args.read())
        with open(message, "rb") as f:
            mail = email.message_from_binary_file(f, policy=email.policy.default)
        self.assertEqual(mail["Subject"], "wayland")
        attachment = os.path.join(self.folder, "attached.bmp")
        with open(attachment, "wb") as out:
            out.write(next(mail.iter_attachments()).get_payload(decode=True))
        reference = os.path.join(self.folder, "grim.png")
        subprocess.run(["grim", "-o", "HEADLESS-1", reference], check=True)
        self.assertEqual(different_pixels(attachment, reference), 0)

    def windows_of(self, process):
        return [w for w in sway_windows() if w["pid"] == process.pid]

    def start_resident(self):
        self.settings("[ALL]\nICON=1\nAPCLOSE=0\n")
        return subprocess.Popen(
            [VISTREL], env=dict(os.environ, VISTREL_CONFIG_DIR=self.config,
                                QT_QPA_PLATFORM="wayland"),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close_ends(self, running):
        """Closes the program's window and waits for the program to end."""
        window = wait_for(lambda: self.windows_of(running), "the main window")[0]
        subprocess.run(["swaymsg", "[con_id=%d]" % window["id"], "kill"], check=True,
                       stdout=subprocess.DEVNULL)
        self.assertEqual(running.wait(30), 0)

    def test_the_tray_icon_shows_while_a_host_runs_and_without_one_closing_quits(self):
        host_log = os.path.join(self.folder, "host.log")

        def host_said():
            with open(host_log, encoding="utf-8") as said:
                return said.read()

        with open(host_log, "w") as out:
            host = subprocess.Popen([TRAY_HOST], stdout=out)
        running = None
        try:
            wait_for(lambda: "ready" in host_said(), "the tray host")
            running = self.start_resident()
            wait_for(lambda: "item " in host_said(), "the tray icon")
            self.assertIn("item Vistrel Active", host_said())
            self.assertEqual(self.windows_of(running), [], "an icon-only start showed a window")

            # The panel ends and its watcher stays: the window must not hide into nothing.
            host.send_signal(signal.SIGUSR1)
            self.vistrel()  # a later start shows the running copy's window
            self.close_ends(running)

            host.kill()
            host.wait()
            running = self.start_resident()  # no watcher at all
            self.close_ends(running)
        finally:
            for process in (running, host):
                if process and process.poll() is None:
                    process.kill()
                    process.wait()

if __name__ == "__main__":
    unittest.main(verbosity=2)
