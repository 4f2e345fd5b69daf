"""The skinned dialogs on the Windows back end, run on Wine's implementation of
the system on each leg: skinview.exe loads the sample skin set with the
product's own UI objects and draws its layouts at 96 and 144 DPI; the Linux
build's skinview holds each picture to its own drawing of the same layout,
within the tolerance `skinview --compare` states, outside the elements' text
(each system draws its own glyphs).

The pictures are kept in <UNINST_BUILD_DIR>/wine-pictures/ to be looked at.
"""

import os
import shutil
import subprocess
import unittest

import config

PICTURES = os.path.join(config.BUILD, "wine-pictures")
RESOURCES = os.path.join(config.ROOT, "resources", "sample", "res", "uninstall")
# The pictures drawn for scale 1.2 and 1.5, laid out beside the program as
# the product installs them; Linux's skinview takes them from the same tree.
DPI_IMAGES = os.path.join(config.ROOT, "resources", "sample", "ressrc", "chs", "dpiimg")
# (layout, DPI): the main dialog, the message box, the control gallery and
# the rich-text gallery.
DRAWINGS = [(11001, 96), (11001, 144), (11004, 96), (11004, 144), (11090, 96), (11090, 144),
            (11092, 96)]


class SkinPicture:
    leg = None

    def setUp(self):
        reason = config.skip_reason(self.leg)
        if reason:
            self.skipTest("%s leg: %s" % (self.leg, reason))
        folder = os.path.dirname(config.uninstaller(self.leg))
        self.viewer = os.path.join(folder, "skinview.exe")
        self.compare = config.tool("skinview")
        for path in (self.viewer, self.compare):
            if not os.path.exists(path):
                self.skipTest("%s leg: no %s" % (self.leg, path))
        self.machine = config.new_machine(self.leg, self)
        self.machine.copy_in(self.viewer, "C:\\skin\\skinview.exe")
        self.copy_tree(RESOURCES, "C:\\skin\\res\\uninstall")
        self.copy_tree(DPI_IMAGES, "C:\\skin\\ressrc\\chs\\dpiimg")

    def copy_tree(self, source, winpath):
        for top, _, files in os.walk(source):
            inner = os.path.relpath(top, source)
            target = winpath + ("" if inner == "." else "\\" + inner.replace("/", "\\"))
            for name in files:
                self.machine.copy_in(os.path.join(top, name), target + "\\" + name)

    def keep(self, winpath, name):
        os.makedirs(PICTURES, exist_ok=True)
        path = os.path.join(PICTURES, "%s-%s" % (self.leg, name))
        shutil.copyfile(self.machine.real(winpath), path)
        return path

    def test_layouts_draw_as_on_linux(self):
        for layout, dpi in DRAWINGS:
            with self.subTest(layout=layout, dpi=dpi):
                scale = [] if dpi == 96 else ["--dpi", str(dpi)]
                name = "skin-%d-%d.png" % (layout, dpi)
                winpath = "C:\\skin\\" + name
                code = self.machine.run("C:\\skin\\skinview.exe",
                                        ["C:\\skin\\res\\uninstall", str(layout), "--out", winpath] + scale)
                self.assertEqual(code, 0)
                picture = self.keep(winpath, name)
                done = subprocess.run([self.compare, RESOURCES, str(layout), "--compare", picture]
                                      + scale, capture_output=True, text=True, timeout=120)
                said = [line for line in (done.stdout + done.stderr).splitlines()
                        if line.startswith(picture)]
                self.assertEqual(done.returncode, 0, "\n".join(said) or done.stderr)


class Wine64BitLeg(SkinPicture, unittest.TestCase):
    leg = "x64"


class Wine32BitLeg(SkinPicture, unittest.TestCase):
    leg = "x86"


if __name__ == "__main__":
    unittest.main()
