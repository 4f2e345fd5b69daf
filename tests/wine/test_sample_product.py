"""The sample product, silently uninstalled and the machine restarted: what is
left of it is exactly what stays on purpose, on every back end."""

import os
import unittest

import config
import sample_product
import wine_limits
from machine import find_key


def _is_sample(text):
    return "SAMPLE" in text.upper()


def left_of_product(fresh, final):
    """What the run and the restart left of the product: files, folders, registry
    keys and values that the fresh machine did not have, named after the sample."""
    files = {f.upper() for f in final["files"]} - {f.upper() for f in fresh["files"]}
    keys = {k.upper() for k in final["registry"]} - {k.upper() for k in fresh["registry"]}
    values = set()
    for key, named in final["registry"].items():
        old = find_key(fresh["registry"], key) or {}
        for name in named:
            if name not in old and (_is_sample(key) or _is_sample(name)):
                values.add((key.upper(), name.upper()))
    return ({f for f in files if _is_sample(f)}, {k for k in keys if _is_sample(k)}, values)


def temp_copy(path):
    """Whether a path lies in the run's copy of the skins under a %TEMP% folder."""
    upper = path.upper()
    at = upper.find("\\SAMPLEPRODUCTUNINSTALL\\")
    return at > 0 and "\\TEMP\\" in upper[:at + 1]


class SampleProductScenario:
    leg = None

    def setUp(self):
        reason = config.skip_reason(self.leg)
        if reason:
            self.skipTest("%s leg: %s" % (self.leg, reason))
        self.machine = config.new_machine(self.leg, self)

    def windows_folder(self):
        return "C:\\Windows" if self.leg == "sim" else wine_limits.WINDOWS_FOLDER

    def expected_files(self):
        """Left on purpose: the vendor's folder (the packet lists only the product's
        folder in it), the other product's link in the shared
        start-menu folder, the extension's marker (the skins' copy is matched apart)."""
        vendor = "C:\\ProgramData\\Sample Vendor\\"
        menu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Sample Vendor\\"
        return {p.upper() for p in (
            vendor, menu, menu + "Sample Vendor Update.lnk",
            self.windows_folder() + "\\Temp\\SampleToolExt.log")}

    def test_silent_uninstall_and_restart_leave_only_what_stays_on_purpose(self):
        m = self.machine
        fresh = m.state()
        placed = sample_product.install_sample(m)
        app = sample_product.start_app(m)
        self.assertEqual(app.read_line(60), "ready")
        self.assertEqual(m.service_state(sample_product.SERVICE), "RUNNING")
        desktop_link = [p for p in placed if p.upper().endswith("\\DESKTOP\\SAMPLE PRODUCT.LNK")]
        self.assertEqual(len(desktop_link), 1, placed)
        self.assertTrue(m.exists(desktop_link[0]))

        self.assertEqual(m.run(sample_product.UNINSTALLER, ["/at"], timeout=240), 0)
        self.assertIsNone(m.service_state(sample_product.SERVICE))
        self.assertFalse(m.exists(desktop_link[0]))
        # The product's window was asked to close and its program ended.
        self.assertFalse(app.running())

        m.restart()
        final = m.state()
        files, keys, values = left_of_product(fresh, final)
        self.assertFalse(m.exists(sample_product.PRODUCT_DIR))
        self.assertEqual(final["pending_renames"], [])
        self.assertEqual(sorted(f for f in files if not temp_copy(f)),
                         sorted(self.expected_files()))
        self.assertTrue(any(temp_copy(f) and f.endswith("\\10000.XML") for f in files), files)
        # Registry: the identity key, the install-time value and the parents of what went.
        self.assertEqual(sorted(keys), sorted(self.expected_keys(keys)))
        self.maxDiff = None
        self.assertEqual(sorted(values), sorted(self.expected_values()))

    def identity_keys(self):
        """The identity key, written in the 32-bit view: the simulated host shares the
        class key between views; Wine keeps it under Classes\\Wow6432Node and exports it
        a second time through its Wow6432Node\\Classes link."""
        if self.leg == "sim":
            return {"HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\SAMPLEPRODUCT.IDENTITY"}
        return {"HKEY_LOCAL_MACHINE\\SOFTWARE\\CLASSES\\WOW6432NODE\\SAMPLEPRODUCT.IDENTITY",
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\CLASSES\\SAMPLEPRODUCT.IDENTITY"}

    def expected_keys(self, keys):
        identity = self.identity_keys()
        # The user's vendor key is the parent of the deleted product key, under HKCU.
        user = [k for k in keys if k.startswith(("HKEY_USERS\\", "HKEY_CURRENT_USER\\"))
                and k.endswith("\\SOFTWARE\\SAMPLE VENDOR")]
        self.assertEqual(len(user), 1, keys)
        vendor64 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\SAMPLE VENDOR"
        vendor32 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\SAMPLE VENDOR"
        return identity | set(user) | {vendor64, vendor32, vendor32 + "\\SAMPLE PRODUCT"}

    def expected_values(self):
        # The packet names only AppPath and the 64-bit ShellExtension of the product key.
        product32 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\SAMPLE VENDOR\\SAMPLE PRODUCT"
        kept = ("INSTALLTIME", "INSTALLDIR", "VERSION", "TID1", "TID2", "TOD1", "TOD2", "IID",
                "SHELLEXTENSION")
        return ({(product32, n) for n in kept} |
                {(k, n) for k in self.identity_keys() for n in ("UUID", "SVRID")})


class SimulatedHost(SampleProductScenario, unittest.TestCase):
    leg = "sim"


class Wine64BitLeg(SampleProductScenario, unittest.TestCase):
    leg = "x64"


class Wine32BitLeg(SampleProductScenario, unittest.TestCase):
    leg = "x86"


if __name__ == "__main__":
    unittest.main()
