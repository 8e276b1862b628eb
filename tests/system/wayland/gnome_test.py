"""The real program on a headless GNOME Shell: the desktop portal's Screenshot, with the
permission granted beforehand, and refused.

Runs inside wayland-session gnome, from the folder holding the programs under test.
"""
import os
import subprocess
import unittest

from wayland_case import VistrelCase, size_of


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


if __name__ == "__main__":
    unittest.main(verbosity=2)
