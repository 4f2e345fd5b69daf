"""The pieces the sample product's scenario and the Wine demo rest on, without Wine."""

import os
import unittest

import demo_wine
import sample_product
from test_sample_product import left_of_product, temp_copy

KINDS = {"dir": 2, "file": 3, "readonly": 3, "program": 2, "extension": 2, "uninstaller": 2,
         "config": 3, "tree": 3, "reg": 6, "service": 5}


class ManifestReading(unittest.TestCase):
    def test_command_lines_name_their_program(self):
        self.assertEqual(sample_product.program_of('"C:\\Program Files\\A B\\s.exe" sleep'),
                         "C:\\Program Files\\A B\\s.exe")
        self.assertEqual(sample_product.program_of("C:\\s.exe run now"), "C:\\s.exe")
        with self.assertRaises(sample_product.ManifestError):
            sample_product.program_of('"C:\\Program Files\\s.exe sleep')

    def test_comments_and_blank_lines_are_not_entries(self):
        text = "# a|b\n\ndir|C:\\X\nfile|C:\\X\\a|text\n"
        self.assertEqual([n for n, _ in sample_product.entries(text)], [3, 4])

    def test_the_shipped_manifest_has_only_known_entries_and_its_service_program_is_installed(self):
        with open(os.path.join(sample_product.SAMPLE_DIR, "product.manifest"),
                  encoding="utf-8") as f:
            text = f.read()
        programs = set()
        for number, fields in sample_product.entries(text):
            self.assertEqual(KINDS.get(fields[0]), len(fields), "line %d" % number)
            if fields[0] == "program":
                programs.add(fields[1].upper())
        services = sample_product.service_programs(text)
        self.assertEqual(services, {(sample_product.PRODUCT_DIR + "\\SampleService.exe").upper()})
        # The service program must be a copied program, or the service cannot start.
        self.assertLessEqual(services, programs)
        self.assertIn(sample_product.APP.upper(), programs - services)


class WhatIsLeft(unittest.TestCase):
    FRESH = {"files": ["C:\\Windows\\", "C:\\Windows\\Temp\\"],
             "registry": {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Other": {"a": ["REG_SZ", "1"]}}}

    def test_only_new_entries_named_after_the_sample_count_in_any_case(self):
        final = {"files": ["C:\\WINDOWS\\", "C:\\Windows\\Temp\\SampleToolExt.log",
                           "C:\\Windows\\Temp\\other.log"],
                 "registry": {"HKEY_LOCAL_MACHINE\\Software\\other": {"a": ["REG_SZ", "1"],
                                                                       "SampleFlag": ["REG_SZ", "1"]},
                              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Sample Vendor": {"x": ["REG_SZ", "1"]}}}
        files, keys, values = left_of_product(self.FRESH, final)
        self.assertEqual(files, {"C:\\WINDOWS\\TEMP\\SAMPLETOOLEXT.LOG"})
        self.assertEqual(keys, {"HKEY_LOCAL_MACHINE\\SOFTWARE\\SAMPLE VENDOR"})
        self.assertEqual(values, {("HKEY_LOCAL_MACHINE\\SOFTWARE\\OTHER", "SAMPLEFLAG"),
                                  ("HKEY_LOCAL_MACHINE\\SOFTWARE\\SAMPLE VENDOR", "X")})

    def test_the_skins_copy_is_recognised_only_under_a_temp_folder(self):
        self.assertTrue(temp_copy("C:\\USERS\\ROOT\\TEMP\\SAMPLEPRODUCTUNINSTALL\\UNINSTALL\\A.PNG"))
        self.assertFalse(temp_copy("C:\\PROGRAM FILES\\SAMPLEPRODUCTUNINSTALL\\A.PNG"))
        self.assertFalse(temp_copy("C:\\USERS\\ROOT\\TEMP\\SAMPLEPRODUCTUNINSTALL"))


class WineDemoDump(unittest.TestCase):
    def test_wine_settings_are_left_out_and_the_rest_keeps_the_dump_shape(self):
        state = {"files": ["C:\\a"], "pending_renames": [["C:\\a", ""]],
                 "services": {"S": "RUNNING"},
                 "registry": {"HKEY_CURRENT_USER\\Software\\Wine\\Fonts": {},
                              "HKEY_CURRENT_USER\\Software\\Winery": {}}}
        dump = demo_wine.as_dump(state)
        self.assertEqual(list(dump["registry"]), ["HKEY_CURRENT_USER\\Software\\Winery"])
        self.assertEqual(dump["services"], [{"name": "S", "state": "RUNNING"}])
        self.assertEqual(dump["firewall"], [])
        self.assertEqual(dump["pending_renames"], [["C:\\a", ""]])


if __name__ == "__main__":
    unittest.main()
