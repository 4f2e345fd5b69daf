"""A tiny product of the test's own, silently uninstalled on every back end."""

import os
import subprocess
import tempfile
import unittest

import config

PRODUCT = "C:\\Program Files\\Tiny Product"
VENDOR_KEY = "HKLM\\SOFTWARE\\Tiny Vendor\\Tiny Product"

PACKET = """<?xml version="1.0" encoding="utf-8"?><packet>
<installcfg>
<item key="install_dir_name" value="TinyUninstall"/>
<item key="uninstall_instance_name" value="TinyUninstallInstance"/>
<item key="main_window_class" value="TinyMainWindow"/>
<item key="title" value="Tiny"/>
</installcfg><updockcfg><item key="tryno" value="1"/></updockcfg>
<installfile><filelist><item path="app.exe"/><item path="readme.txt"/><item path="uninst.exe"/>
</filelist><dirlist><item path="data"/></dirlist></installfile>
<uninstallfile><filelist><item path="installConfig.dat"/></filelist>
<dirlist><item path="res"/><item path=""/></dirlist></uninstallfile></packet>
"""


def under(path, folder):
    return path.upper().startswith(folder.upper() + "\\")


class TinyProductScenario:
    """Written once against the machine interface; a subclass names the back end."""

    leg = None

    def setUp(self):
        reason = config.skip_reason(self.leg)
        if reason:
            self.skipTest("%s leg: %s" % (self.leg, reason))
        self.machine = config.new_machine(self.leg, self)

    def install(self):
        m = self.machine
        m.write_file(PRODUCT + "\\app.exe", b"MZ tiny app")
        m.write_file(PRODUCT + "\\readme.txt", b"read me")
        m.write_file(PRODUCT + "\\data\\sub\\a.txt", b"a")
        m.write_file(PRODUCT + "\\res\\uninstall\\10000.xml", b"<skin/>")
        m.copy_in(config.uninstaller(self.leg), PRODUCT + "\\uninst.exe")
        with tempfile.TemporaryDirectory() as work:
            xml, dat = os.path.join(work, "c.xml"), os.path.join(work, "c.dat")
            with open(xml, "w") as f:
                f.write(PACKET)
            subprocess.run([config.tool("cfgtool"), "pack", xml, dat], check=True)
            m.copy_in(dat, PRODUCT + "\\installConfig.dat")
        m.set_registry(VENDOR_KEY, "Owner", "REG_SZ", "tiny", view=64)
        m.set_registry(VENDOR_KEY, "Owner", "REG_SZ", "tiny32", view=32)

    def test_silent_uninstall_then_restart(self):
        m = self.machine
        self.install()
        # Each view keeps its own value.
        self.assertEqual(m.query_registry(VENDOR_KEY, "Owner", view=64), ["REG_SZ", "tiny"])
        self.assertEqual(m.query_registry(VENDOR_KEY, "Owner", view=32), ["REG_SZ", "tiny32"])
        self.assertIsNone(m.query_registry(VENDOR_KEY, "Missing", view=64))
        before = m.state()
        self.assertIn(PRODUCT + "\\res\\uninstall\\", before["files"])
        self.assertEqual(before["pending_renames"], [])

        self.assertEqual(m.run(PRODUCT + "\\uninst.exe", ["/at"]), 0)

        after = m.state()
        left = [f for f in after["files"] if under(f, PRODUCT)]
        for gone in ("app.exe", "readme.txt", "installConfig.dat", "data\\", "res\\"):
            self.assertNotIn(PRODUCT + "\\" + gone, left)
        deletes = [p for p in after["pending_renames"] if p[1] == "" and under(p[0], PRODUCT)]
        self.assertTrue(deletes, "nothing pending deletion in the product: %r"
                        % after["pending_renames"])
        # What waits for the restart is still there until then.
        for source, _ in deletes:
            self.assertTrue(m.exists(source) or source.upper() == PRODUCT.upper(), source)

        m.restart()
        final = m.state()
        self.assertEqual([f for f in final["files"] if under(f, PRODUCT)], [])
        self.assertFalse(m.exists(PRODUCT))
        self.assertEqual(final["pending_renames"], [])
        # Registry values the packet does not list stay.
        self.assertEqual(m.query_registry(VENDOR_KEY, "Owner", view=64), ["REG_SZ", "tiny"])


class SimulatedHost(TinyProductScenario, unittest.TestCase):
    leg = "sim"


class Wine64BitLeg(TinyProductScenario, unittest.TestCase):
    leg = "x64"


class Wine32BitLeg(TinyProductScenario, unittest.TestCase):
    leg = "x86"


if __name__ == "__main__":
    unittest.main()
