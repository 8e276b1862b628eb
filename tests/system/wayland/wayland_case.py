"""What the Wayland system tests share: the programs under test, waiting, pictures, and a
test case that runs Vistrel with a settings folder of its own."""
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

BIN = os.path.abspath(os.environ.get("WITH_SWAY_BIN", "."))
VISTREL = os.path.join(BIN, "vistrel")
COLOUR_WINDOW = os.path.join(BIN, "colourwindow")
VIRTUAL_POINTER = os.path.join(BIN, "virtualpointer")
SCROLL_WINDOW = os.path.join(BIN, "scrollwindow")
TRAY_HOST = os.path.join(BIN, "trayhost")


def wait_for(condition, what, limit=30.0):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def different_pixels(a, b):
    result = subprocess.run(["compare", "-metric", "AE", a, b, "null:"],
                            capture_output=True, text=True)
    try:
        return int(float(result.stderr.split()[0]))
    except (ValueError, IndexError):
        raise AssertionError("compare failed: " + result.stderr)


def size_of(path):
    out = subprocess.check_output(["identify", "-format", "%w %h", path], text=True)
    return tuple(int(v) for v in out.split())


def pixel_of(path, x, y):
    channels = " ".join("%[fx:int(255*p{X,Y}.C+0.5)]".replace("C", c) for c in "rgb")
    out = subprocess.check_output(
        ["convert", path, "-format", channels.replace("X", str(x)).replace("Y", str(y)),
         "info:"], text=True)
    return tuple(int(v) for v in out.split())


def clipboard_keeper(config):
    """The id of the keeping process a run with this settings folder left behind, or None."""
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                command = f.read()
            with open("/proc/%s/environ" % entry, "rb") as f:
                environment = f.read().split(b"\0")
        except (OSError, ValueError):
            continue
        if (b"--keep-clipboard" in command
                and ("VISTREL_CONFIG_DIR=" + config).encode() in environment):
            return int(entry)
    return None


class VistrelCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="wayland-test-")
        self.config = os.path.join(self.folder, "config")
        os.mkdir(self.config)

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def settings(self, text):
        with open(os.path.join(self.config, "Vist.ini"), "w", encoding="utf-8") as ini:
            ini.write(text)

    def vistrel(self, *arguments, env=None, timeout=60, program=VISTREL):
        environment = dict(os.environ, VISTREL_CONFIG_DIR=self.config, VISTREL_LOG_PLATFORM="1")
        environment.update(env or {})
        return subprocess.run([program, *arguments], env=environment, capture_output=True,
                              text=True, timeout=timeout)

    def assert_copy_kept_until_another_copy(self, reference):
        """After a copy at exit: a keeping process serves exactly `reference` as PNG (and
        BMP) until another program copies; then it ends and the other copy pastes."""
        keeper = clipboard_keeper(self.config)
        self.assertIsNotNone(keeper, "no keeping process")
        other = None
        try:
            types = subprocess.check_output(["wl-paste", "--list-types"], text=True).split()
            self.assertEqual(types, ["image/png", "image/bmp"])
            pasted = os.path.join(self.folder, "pasted.png")
            with open(pasted, "wb") as out:
                subprocess.run(["wl-paste", "--no-newline", "--type", "image/png"], stdout=out,
                               check=True, timeout=30)
            self.assertEqual(different_pixels(pasted, reference), 0)
            other = subprocess.Popen(["wl-copy", "--foreground", "other"])
            wait_for(lambda: clipboard_keeper(self.config) is None, "the keeper to end")
            self.assertEqual(subprocess.check_output(["wl-paste", "--no-newline"]), b"other")
        finally:
            if other:
                other.kill()
                other.wait()
            if clipboard_keeper(self.config):
                os.kill(keeper, signal.SIGKILL)

    def save_to(self, name):
        return "/A5;%s;PNG;%s" % (self.folder, name)

    def saved(self, name):
        return os.path.join(self.folder, name + "001.png")
