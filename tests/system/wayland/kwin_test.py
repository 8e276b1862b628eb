"""The real program on a headless KWin (kwin_wayland --virtual): KWin's screenshot service,
granted by a desktop file as an installed package grants it.

Runs inside wayland-session kwin, from the folder holding the programs under test.
"""
import os
import shutil
import subprocess
import unittest

from wayland_case import (COLOUR_WINDOW, VISTREL, VistrelCase, different_pixels, pixel_of,
                          size_of, wait_for)


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
        self.assertEqual(size_of(self.saved("full")), (1280, 720))
        # The desktop is black without a wallpaper: what is left is the window, exactly.
        window_part = os.path.join(self.folder, "window.png")
        subprocess.run(["convert", self.saved("full"), "-trim", "+repage", window_part],
                       check=True)
        self.assertEqual(different_pixels(window_part, self.saved("active")), 0)

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
        self.assertFalse(os.path.exists(self.saved("refused")))


if __name__ == "__main__":
    unittest.main(verbosity=2)
