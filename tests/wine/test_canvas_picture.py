"""The canvas's Windows back end (GDI, GDI+, msimg32) and the window surface,
run on Wine's implementation of the system on each leg: canvasdemo.exe's
scene, saved as a picture and shown in a window, is the picture the Linux
build paints, within the tolerance `canvasdemo --compare` states, outside
text glyphs (each renderer draws its own).

The pictures are kept in <UNINST_BUILD_DIR>/wine-pictures/ to be looked at.
"""

import os
import shutil
import subprocess
import time
import unittest

import config

WM_CLOSE = 0x0010
PICTURES = os.path.join(config.BUILD, "wine-pictures")


class CanvasPicture:
    leg = None

    def setUp(self):
        reason = config.skip_reason(self.leg)
        if reason:
            self.skipTest("%s leg: %s" % (self.leg, reason))
        folder = os.path.dirname(config.uninstaller(self.leg))
        self.demo = os.path.join(folder, "canvasdemo.exe")
        self.proc = config.helper(self.leg, "proc")
        self.compare = config.tool("canvasdemo")
        for path in (self.demo, self.proc, self.compare):
            if not os.path.exists(path):
                self.skipTest("%s leg: no %s" % (self.leg, path))
        self.machine = config.new_machine(self.leg, self)
        self.machine.copy_in(self.demo, "C:\\demo\\canvasdemo.exe")
        self.machine.copy_in(self.proc, "C:\\demo\\winproc.exe")

    def keep(self, winpath, name):
        """The picture at winpath, copied out of the machine for the comparison and for eyes."""
        os.makedirs(PICTURES, exist_ok=True)
        path = os.path.join(PICTURES, "%s-%s" % (self.leg, name))
        shutil.copyfile(self.machine.real(winpath), path)
        return path

    def compared(self, picture, *options):
        """(True when picture is the scene, what canvasdemo said)."""
        done = subprocess.run([self.compare, "--compare", picture] + list(options),
                              capture_output=True, text=True, timeout=60)
        return done.returncode == 0, done.stdout + done.stderr

    def assert_scene(self, picture, *options):
        same, said = self.compared(picture, *options)
        self.assertTrue(same, said)

    def test_saved_picture_is_the_linux_scene(self):
        self.assertEqual(self.machine.run("C:\\demo\\canvasdemo.exe", ["C:\\demo\\scene.png"]), 0)
        self.assert_scene(self.keep("C:\\demo\\scene.png", "scene.png"))

    def test_window_shows_the_scene_and_closes_on_wm_close(self):
        demo = self.machine.start_program("C:\\demo\\canvasdemo.exe", ["--window", "--trace"])
        self.assertEqual(demo.read_line(60), "painted")
        self.assertTrue(demo.read_line(30).startswith("client at "))
        # The window's surface reaches the screen a moment after the paint:
        # a few looks before the picture counts as wrong.
        for _ in range(5):
            capture = self.machine.start_program(
                "C:\\demo\\winproc.exe",
                ["capture", "Canvas demo", "C:\\demo\\window.bmp", "exit", "0"])
            self.assertEqual(capture.read_line(60), "captured 600 420")
            self.assertEqual(capture.wait(60), 0)
            # What the screen shows has no alpha: compared where the scene is opaque.
            same, said = self.compared(self.keep("C:\\demo\\window.bmp", "window.bmp"), "--opaque")
            if same:
                break
            time.sleep(1)
        self.assertTrue(same, said)

        closer = self.machine.start_program(
            "C:\\demo\\winproc.exe", ["send", "CanvasDemoWindow", str(WM_CLOSE), "exit", "0"])
        self.assertEqual(closer.read_line(60), "result 0")
        self.assertEqual(demo.read_line(30), "WM_CLOSE")
        self.assertEqual(demo.wait(30), 0)


class Wine64BitLeg(CanvasPicture, unittest.TestCase):
    leg = "x64"


class Wine32BitLeg(CanvasPicture, unittest.TestCase):
    leg = "x86"


if __name__ == "__main__":
    unittest.main()
