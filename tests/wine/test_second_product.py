"""A second product of the tests' own (its own names, folders and registry
locations), uninstalled on every back end: what goes, what waits for the
restart, what bad input leaves, and what the run tells the collector."""

import json
import os
import re
import socket
import subprocess
import tempfile
import time
import unittest

import config
import sample_product
import wine_limits
from machine import find_key

VENDOR = "Quill Works"
KEY = "HKLM\\SOFTWARE\\Quill Works\\Quill Editor"
USER_KEY = "HKCU\\Software\\Quill Works\\Quill Editor"
SERVICE = "QuillSyncService"
INSTANCE = "Quill_Uninstall_Instance"
TOOLS = "C:\\QuillTestTools"
EXT_MARKER = "C:\\Windows\\Temp\\SampleToolExt.log"

# The uninstaller is a 32-bit program on the simulated host too.
BITNESS = {"sim": "x86", "x64": "x64", "x86": "x86"}


def product_dir(leg):
    return wine_limits.PROGRAM_FILES[BITNESS[leg]] + "\\Quill Editor"


PACKET = """<?xml version="1.0" encoding="utf-8"?><packet>
<installcfg>
<item key="install_dir_name" value="QuillUninstall"/>
<item key="uninstall_instance_name" value="%(instance)s"/>
<item key="main_window_class" value="QuillMainWindow"/>
<item key="title" value="Quill Editor"/>
<item key="tool_set_ext_process_name" value="SampleToolExt"/>
<item key="tool_set_ext_exit_event" value="Global\\SampleToolExt_Exit"/>
<item key="tool_set_uninstall_cmd" value="/uninstall /quiet"/>
<item key="tryno" value="1"/>
</installcfg><updockcfg><item key="tryno" value="3"/><item key="pid" value="40202"/></updockcfg>
<installfile><filelist>
<item path="quill.exe">
<config mode="reg" mainkey="hklm" subkey="SOFTWARE\\Quill Works\\Quill Editor" keyname="Path64" value="quill.exe" keytype="1" wow64="1"/>
<config mode="reg" mainkey="hklm" subkey="SOFTWARE\\Quill Works\\Quill Editor" keyname="Path32" value="quill.exe" keytype="1" wow64="0"/>
<config mode="reg" mainkey="hkcu" subkey="Software\\Quill Works\\Quill Editor" keyname="Theme" value="dark" keytype="1" wow64="1"/>
</item>
<item path="quillsync.exe">
<config mode="service" name="%(service)s" displayname="Quill Sync" description="Quill sync" group="" cmdline=""/>
</item>
<item path="notes.txt"/><item path="SampleToolExt.exe"/><item path="SampleToolExt64.exe"/>
<item path="uninst.exe"/>%(extra_files)s
</filelist><dirlist><item path="data"/>%(extra_dirs)s</dirlist></installfile>
<uninstallfile><filelist><item path="installConfig.dat"/></filelist>
<dirlist><item path="res"/><item path=""/></dirlist></uninstallfile></packet>
"""

LOG_LINE = re.compile(r"^\[(\d+ *)\|\d\d-\d\d \d\d:\d\d:\d\d\|( *[A-Z]+)\|([^\\/:\]]+):(\d+)\] (.*)$")


def under(path, folder):
    return path.upper().startswith(folder.upper() + "\\")


def scrambled(xml):
    return b".tmp" + bytes(b ^ 0xA7 for b in xml.encode())


class SecondProductScenario:
    """Written once against the machine interface; a subclass names the back end."""

    leg = None

    def setUp(self):
        reason = config.skip_reason(self.leg)
        if reason:
            self.skipTest("%s leg: %s" % (self.leg, reason))
        self.machine = config.new_machine(self.leg, self)
        self.product = product_dir(self.leg)

    # ---- the product ----

    def install(self, extra_dirs="", service=True, extra_files=""):
        m, p = self.machine, self.product
        m.copy_in(config.helper(self.leg, "proc"), p + "\\quill.exe")
        m.write_file(p + "\\notes.txt", b"notes")
        m.write_file(p + "\\data\\drafts\\one.txt", b"draft")
        m.write_file(p + "\\res\\uninstall\\10000.xml", b"<skin/>")
        m.copy_in(config.helper(self.leg, "ext32"), p + "\\SampleToolExt.exe")
        m.copy_in(config.helper(self.leg, "ext64"), p + "\\SampleToolExt64.exe")
        m.copy_in(config.uninstaller(self.leg), p + "\\uninst.exe")
        self.write_config(PACKET % {"instance": INSTANCE, "service": SERVICE,
                                    "extra_dirs": extra_dirs, "extra_files": extra_files})
        m.set_registry(KEY, "Path64", "REG_SZ", "quill.exe", view=64)
        m.set_registry(KEY, "Path32", "REG_SZ", "quill.exe", view=32)
        # Same names in the other view: an entry must not reach across.
        m.set_registry(KEY, "Path64", "REG_SZ", "other view", view=32)
        m.set_registry(KEY, "Path32", "REG_SZ", "other view", view=64)
        m.set_registry(USER_KEY, "Theme", "REG_SZ", "dark", view=64)
        if service:
            m.copy_in(config.helper(self.leg, "svc"), p + "\\quillsync.exe")
            m.add_service(SERVICE, p + "\\quillsync.exe")
        else:
            m.write_file(p + "\\quillsync.exe", b"MZ")

    def write_config(self, xml):
        with tempfile.TemporaryDirectory() as work:
            src, dat = os.path.join(work, "c.xml"), os.path.join(work, "c.dat")
            with open(src, "w") as f:
                f.write(xml)
            subprocess.run([config.tool("cfgtool"), "pack", src, dat], check=True)
            self.machine.copy_in(dat, self.product + "\\installConfig.dat")

    def uninstall(self, args=("/at",)):
        return self.machine.run(self.product + "\\uninst.exe", list(args), timeout=180)

    def log_entries(self):
        """(level, source, message) of every log line, each checked against the layout."""
        path = self.product + "\\log\\uninst.exe.log"
        if not self.machine.exists(path):
            return None
        text = self.machine.read_file(path).decode("utf-8")
        self.assertTrue(text.endswith("\r\n"), repr(text[-40:]))
        entries = []
        for line in text[:-2].split("\r\n"):
            match = LOG_LINE.match(line)
            self.assertIsNotNone(match, line)
            self.assertGreaterEqual(len(match.group(1)), 5, line)  # thread id padded to five
            self.assertEqual(len(match.group(2)), 7, line)  # level right-aligned to seven
            entries.append((match.group(2).strip(), match.group(3), match.group(5)))
        return entries

    def product_files(self, state=None):
        state = state or self.machine.state()
        return [f for f in state["files"] if under(f, self.product)]

    def windows_folder(self):
        return "C:\\Windows" if self.leg == "sim" else wine_limits.WINDOWS_FOLDER

    def remove_log(self):
        log = self.machine.real(self.product + "\\log")
        if os.path.isdir(log):
            for name in os.listdir(log):
                os.unlink(os.path.join(log, name))
            os.rmdir(log)

    # ---- scenarios ----

    def test_silent_uninstall_held_file_service_extension_then_restart(self):
        m, p = self.machine, self.product
        self.install()
        if m.exists(EXT_MARKER):
            os.unlink(m.real(EXT_MARKER))
        m.copy_in(config.helper(self.leg, "proc"), TOOLS + "\\holder.exe")
        holder = m.start_program(TOOLS + "\\holder.exe", ["open-file", p + "\\notes.txt"])
        self.assertEqual(holder.read_line(60), "ready")
        self.assertEqual(m.service_state(SERVICE), "RUNNING")

        self.assertEqual(self.uninstall(), 0)

        after = m.state()
        left = self.product_files(after)
        for gone in ("quill.exe", "quillsync.exe", "installConfig.dat", "SampleToolExt.exe",
                     "data\\", "res\\"):
            self.assertNotIn(p + "\\" + gone, left)
        # Each entry's value went from the view it names, and only there.
        self.assertIsNone(m.query_registry(KEY, "Path64", view=64))
        self.assertIsNone(m.query_registry(KEY, "Path32", view=32))
        self.assertEqual(m.query_registry(KEY, "Path64", view=32), ["REG_SZ", "other view"])
        self.assertEqual(m.query_registry(KEY, "Path32", view=64), ["REG_SZ", "other view"])
        self.assertIsNone(m.query_registry(USER_KEY, "Theme", view=64))
        # The service stopped and went.
        self.assertIsNone(m.service_state(SERVICE))
        # The extension's uninstall ran once, from the product's folder, before its removal.
        lines = m.read_file(EXT_MARKER).decode("utf-8", "replace").splitlines()
        self.assertEqual(len(lines), 1, lines)
        # A 64-bit system runs the 64-bit extension, whatever the uninstaller's bitness.
        self.assertTrue(lines[0].upper().startswith(
            ("program=" + p + "\\SampleToolExt64.exe ").upper()), lines[0])
        # The held file and the running uninstaller wait for the restart.
        pending = [s for s, t in after["pending_renames"] if t == "" and under(s, p)]
        held = [s for s in pending if "NOTES" in s.upper() or "_DEL" in s.upper()]
        self.assertTrue(held or p + "\\notes.txt" not in left, after["pending_renames"])
        self.assertTrue(any(s.upper() == (p + "\\uninst.exe").upper() or "_DEL" in s.upper()
                            for s in pending) or p + "\\uninst.exe" not in left,
                        after["pending_renames"])
        for source in pending:
            self.assertTrue(m.exists(source) or source.upper() == p.upper(), source)
        # The log: every line in its layout, no error.
        entries = self.log_entries() or []
        self.assertEqual([e for e in entries if e[0] == "ERROR"], [])

        m.restart()
        final = m.state()
        self.assertEqual(self.product_files(final), [])
        self.assertFalse(m.exists(p))
        self.assertEqual(final["pending_renames"], [])
        self.assertTrue(m.exists(TOOLS + "\\holder.exe"))

    def test_bad_input_is_logged_and_removes_nothing(self):
        m, p = self.machine, self.product
        self.install(service=False)
        before = self.product_files()
        decrypt = "decrypt install config file failed, lpDecryptBuffer = null"
        cases = [
            ("corrupt", b"PK\x03\x04 not a packet",
             [decrypt, "decrypt install config file failed", "init install config file failed"]),
            ("not XML", scrambled("this is <not xml"),
             ["parse config data failed, wrong format", "init install config file failed"]),
            ("missing", None,
             ["install config file not exist, file path : " + p + "\\installConfig.dat",
              "init install config file failed"]),
        ]
        good = m.read_file(p + "\\installConfig.dat")
        for what, data, errors in cases:
            with self.subTest(what):
                self.remove_log()
                if data is None:
                    os.unlink(m.real(p + "\\installConfig.dat"))
                else:
                    m.write_file(p + "\\installConfig.dat", data)
                self.assertEqual(self.uninstall(), 0)
                entries = self.log_entries()
                self.assertEqual([e[2] for e in entries], errors)
                self.assertEqual({e[0] for e in entries}, {"ERROR"})
                self.assertEqual(len({e[1] + e[2] for e in entries}), len(entries))
                expected = [f for f in before if data is not None or not f.endswith("installConfig.dat")]
                self.assertEqual([f for f in self.product_files() if not under(f, p + "\\log")],
                                 expected)
        m.write_file(p + "\\installConfig.dat", good)

        with self.subTest("missing skin folder"):
            self.remove_log()
            res = m.real(p + "\\res")
            os.rename(res, res + ".away")
            self.assertEqual(self.uninstall(), 0)
            self.assertEqual([(e[0], e[2]) for e in self.log_entries()],
                             [("ERROR", "copy uninstall resource to temp dir failed")])
            self.assertTrue(m.exists(p + "\\quill.exe"))
            os.rename(res + ".away", res)

        with self.subTest("second instance"):
            self.remove_log()
            m.copy_in(config.helper(self.leg, "proc"), TOOLS + "\\first.exe")
            first = m.start_program(TOOLS + "\\first.exe", ["hold-mapping", INSTANCE, "4"])
            self.assertEqual(first.read_line(60), "ready")
            self.assertEqual(self.uninstall(), 0)
            self.assertIsNone(self.log_entries())
            self.assertEqual(self.product_files(), before)
            first.kill()

    def test_climbing_items_and_protected_folders_are_skipped(self):
        m, p = self.machine, self.product
        self.install(service=False, extra_dirs='<item path="..\\.."/><item path=".."/>'
                                               '<item path="..\\..\\Windows"/>')
        m.write_file("C:\\QuillOutside\\keep.txt", b"keep")
        program_files = wine_limits.PROGRAM_FILES[BITNESS[self.leg]]
        m.write_file(program_files + "\\Other Product\\keep.txt", b"keep")
        self.assertEqual(self.uninstall(), 0)
        self.assertFalse(m.exists(p + "\\data"))
        self.assertTrue(m.exists("C:\\QuillOutside\\keep.txt"))
        self.assertTrue(m.exists(program_files + "\\Other Product\\keep.txt"))
        self.assertTrue(m.exists("C:\\Windows\\system.ini") or m.exists("C:\\Windows\\System32"))
        warnings = [e[2] for e in self.log_entries() if e[0] == "WARNING"]
        self.assertEqual(warnings, ["skip protected folder : C:\\",
                                    "skip protected folder : " + program_files,
                                    "skip protected folder : " + self.windows_folder()])

    def changed_outside_the_product(self, before, after):
        """Files, registry values and services that differ between two states,
        leaving out the product's folder, the run's copy of its skins in %TEMP%,
        the restart's pending list, the product's own registry keys and what Wine
        rewrites by itself."""
        def outside(path):
            upper = path.upper()
            # The tool-set extension's uninstall writes its marker there.
            return not (under(path, self.product) or upper == self.product.upper() + "\\" or
                        "\\TEMP\\QUILLUNINSTALL" in upper or upper.endswith(
                            "\\TEMP\\SAMPLETOOLEXT.LOG"))

        def values(state):
            found = set()
            for key, named in state["registry"].items():
                upper = key.upper()
                if (upper.endswith("\\SESSION MANAGER") or wine_limits.wine_volatile(key) or
                        upper.endswith("\\QUILL WORKS\\QUILL EDITOR") or  # the product's, in any view
                        # The shell's cache of "User Shell Folders", rewritten when
                        # a program asks for a known folder (Windows does the same).
                        upper.endswith("\\EXPLORER\\SHELL FOLDERS")):
                    continue
                for name, value in named.items():
                    found.add((upper, name.upper(), json.dumps(value)))
            return found

        files_before = {f.upper() for f in before["files"] if outside(f)}
        files_after = {f.upper() for f in after["files"] if outside(f)}
        return {"files lost": sorted(files_before - files_after),
                "files new": sorted(files_after - files_before),
                "values lost": sorted(values(before) - values(after)),
                "values new": sorted(values(after) - values(before)),
                # Which services exist: Wine starts and stops its own on demand.
                "services": sorted(set(before["services"]) ^ set(after["services"]))}

    def test_hostile_paths_and_links_change_nothing_outside_the_product(self):
        m, p = self.machine, self.product
        windows, profile = self.windows_folder(), sample_product.user_folder(m).rstrip("\\")
        # A folder of the Linux side that "\\?\\unix\\" paths reach on Wine: a
        # canary of the test's own, never anything of the host's.
        host = tempfile.mkdtemp(prefix="uninst-wine-host-")
        self.addCleanup(lambda: subprocess.run(["rm", "-rf", host]))
        with open(os.path.join(host, "canary.txt"), "w") as f:
            f.write("keep")
        files = ('<item path="%(w)s\\explorer.exe:stream"/><item path="C:\\Users\\*"/>'
                 '<item path="%(u)s\\Documents."/>'
                 '<item path="winlink\\Temp\\x\\canary.txt"/><item path="winlink\\notepad.exe"/>')
        dirs = ('<item path="C:\\ \\"/><item path="C:\\Users \\"/><item path="..\\..\\Users .\\"/>'
                '<item path="\\\\?\\%(w)s\\Temp"/><item path="\\??\\%(u)s\\Documents"/>'
                '<item path="C:"/><item path="c:\\PROGRAM FILES\\"/>'
                '<item path="C:\\Program Files\\Other\\..\\..\\Users"/>'
                '<item path="C:\\Program Files\\*"/><item path="\\\\?\\unix%(h)s"/>'
                '<item path="\\\\?\\UNC\\server\\share"/><item path="\\\\.\\C:\\Windows"/>'
                '<item path="winlink\\System32"/><item path="winlink\\Temp\\x"/>'
                '<item path="data\\out\\deep"/>')
        names = {"w": windows, "u": profile, "h": host.replace("/", "\\")}
        self.install(service=False, extra_files=files % names, extra_dirs=dirs % names)
        canaries = [profile + "\\Documents\\canary.txt", windows + "\\Temp\\x\\canary.txt",
                    "C:\\Program Files\\Other\\canary.txt", "C:\\Outside\\deep\\canary.txt"]
        for canary in canaries:
            m.write_file(canary, b"keep")
        # Links made by the file system's owner: one inside the product to the
        # Windows folder, one in a listed folder to a folder outside.
        for link, target in ((p + "\\winlink", windows), (p + "\\data\\out", "C:\\Outside")):
            real = m.real(link)
            os.symlink(os.path.relpath(m.real(target), os.path.dirname(real)), real)
        system_files = [f for f in (windows + "\\notepad.exe", windows + "\\System32\\kernel32.dll")
                        if m.exists(f)]
        self.assertEqual(len(system_files), 2)
        before = m.state()

        self.assertEqual(self.uninstall(), 0)

        after = m.state()
        for canary in canaries + system_files:
            self.assertTrue(m.exists(canary), canary)
        self.assertTrue(os.path.exists(os.path.join(host, "canary.txt")))
        self.maxDiff = None
        self.assertEqual(self.changed_outside_the_product(before, after),
                         {"files lost": [], "files new": [], "values lost": [], "values new": [],
                          "services": []})
        # The product itself went; its link went as a link.
        left = self.product_files(after)
        self.assertNotIn(p + "\\quill.exe", left)
        if self.leg != "sim" and wine_limits.FOLDER_LINK_STAYS:
            # Listed in wine_limits: this fails once Wine removes the link.
            self.assertEqual([f for f in left if under(f, p + "\\data")],
                             [p + "\\data\\", p + "\\data\\out\\"])
            self.assertTrue(os.path.islink(m.real(p + "\\data\\out")))
        else:
            self.assertFalse(m.exists(p + "\\data"))
        warnings = [e[2].upper() for e in self.log_entries() if e[0] == "WARNING"]
        for part in ("skip protected folder : C:\\USERS", "skip unsafe path : ",
                     "(path runs through a link)"):
            self.assertTrue(any(part.upper() in w for w in warnings), (part, warnings))

    def test_known_folders_of_the_system_and_of_every_profile_stay(self):
        m, p = self.machine, self.product
        windows, profile = self.windows_folder(), sample_product.user_folder(m).rstrip("\\")
        users = profile.rsplit("\\", 1)[0]
        # A second profile listed in the registry, a folder in the profiles folder
        # that no list names, and the user's Documents moved elsewhere under a
        # name outside ASCII.
        other, unlisted, moved = users + "\\Other", users + "\\Unlisted", "C:\\Data\\Документы"
        m.set_registry("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\"
                       "S-1-5-21-1-2-3-1002", "ProfileImagePath", "REG_EXPAND_SZ", other)
        m.set_registry("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                       "User Shell Folders", "Personal", "REG_EXPAND_SZ", moved)
        folders = [windows + "\\System32", windows + "\\SysWOW64", windows + "\\Temp",
                   windows + "\\Fonts", "C:\\Program Files\\Common Files",
                   "C:\\Program Files (x86)\\Common Files", profile + "\\Pictures",
                   profile + "\\Downloads", profile + "\\AppData\\Roaming\\Microsoft",
                   users + "\\Public", users + "\\Public\\Documents",
                   "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
                   other + "\\Pictures", unlisted + "\\Desktop", moved]
        dirs = "".join('<item path="%s"/>' % f for f in folders)
        dirs += ('<item path="%s"/><item path="..\\..\\%s"/><item path="C:\\DATA\\ДОКУМЕНТЫ"/>'
                 '<item path="C:\\Data"/>' % (other, unlisted[3:]))
        self.install(service=False, extra_dirs=dirs)
        for folder in folders:
            m.write_file(folder + "\\canary.txt", b"keep")
        before = m.state()

        self.assertEqual(self.uninstall(), 0)

        after = m.state()
        for folder in folders:
            self.assertTrue(m.exists(folder + "\\canary.txt"), folder)
        self.maxDiff = None
        self.assertEqual(self.changed_outside_the_product(before, after),
                         {"files lost": [], "files new": [], "values lost": [], "values new": [],
                          "services": []})
        self.assertFalse(m.exists(p + "\\quill.exe"))
        warnings = [e[2].upper() for e in self.log_entries() if e[0] == "WARNING"]
        for folder in (moved, other, unlisted, profile + "\\Pictures", windows + "\\Temp"):
            self.assertIn(("skip protected folder : " + folder).upper(), warnings)

    def test_operating_system_files_stay_and_the_products_own_in_system32_goes(self):
        if self.leg != "sim" and wine_limits.SFC_PROTECTS_NOTHING:
            self.skipTest(wine_limits.SFC_PROTECTS_NOTHING + " (listed in wine_limits)")
        m, p = self.machine, self.product
        windows = self.windows_folder()
        # The 32-bit program (and the simulated host's, on its x64 machine) reaches SysWOW64.
        system = windows + ("\\SysWOW64" if self.leg in ("x86", "sim") else "\\System32")
        m.write_file(system + "\\QuillHelper.dll", b"own")
        files = ('<item path="%(w)s\\notepad.exe"/><item path="%(w)s\\System32\\kernel32.dll"/>'
                 '<item path="%(w)s\\System32\\drivers\\etc\\hosts"/>'
                 '<item path="%(w)s\\System32\\QuillHelper.dll"/>' % {"w": windows})
        self.install(service=False, extra_files=files)
        kept = [windows + "\\notepad.exe", windows + "\\System32\\kernel32.dll",
                windows + "\\System32\\drivers\\etc\\hosts"]
        for path in kept:
            self.assertTrue(m.exists(path), path)
        self.assertEqual(self.uninstall(), 0)
        # A 32-bit program's System32 is SysWOW64: the product's helper went from there.
        self.assertFalse(m.exists(system + "\\QuillHelper.dll"))
        warnings = [e[2].upper() for e in self.log_entries() or [] if e[0] == "WARNING"]
        for path in kept:
            self.assertTrue(m.exists(path), (path, warnings))
            self.assertIn(("skip operating system file : " + path).upper(), warnings)

    def test_service_that_never_stops_holds_the_run_only_until_the_bound(self):
        m, p = self.machine, self.product
        self.install(service=False)
        m.copy_in(config.helper(self.leg, "svc"), p + "\\quillsync.exe")
        m.add_service(SERVICE, p + "\\quillsync.exe", never_stops=True)
        started = time.monotonic()
        self.assertEqual(self.uninstall(), 0)
        # A bound, not a measurement: the run gave up waiting after about 30 s.
        self.assertGreaterEqual(time.monotonic() - started, 29)
        self.assertNotIn(p + "\\quill.exe", self.product_files())
        m.restart()
        self.assertIsNone(m.service_state(SERVICE))
        self.assertFalse(m.exists(p))

    def collect_report(self):
        """The one report a silent run of the installed product sends, as decoded."""
        # On Wine, the program's report address is fixed when it is built: the
        # collector listens there and the loopback build stands in for the product's.
        built = config.built_statistics_address(self.leg)
        if self.leg != "sim" and not built:
            self.skipTest("%s leg: no %s reporting to a loopback address"
                          % (self.leg, config.loopback_uninstaller(self.leg)))
        listen = "127.0.0.1:0" if self.leg == "sim" else built
        self.machine.copy_in(config.loopback_uninstaller(self.leg), self.product + "\\uninst.exe")
        work = tempfile.mkdtemp(prefix="uninst-wine-report-")
        self.addCleanup(lambda: subprocess.run(["rm", "-rf", work]))
        out = os.path.join(work, "reports.jsonl")
        collector = subprocess.Popen(
            [config.tool("statcollector"), "--listen", listen, "--out", out],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.addCleanup(lambda: (collector.kill(), collector.wait(),
                                 collector.stdout.close(), collector.stderr.close()))
        line = collector.stdout.readline().strip()
        if not line.startswith("listening "):
            self.fail("the collector did not start on %s: %s" % (listen, collector.stderr.read()))
        address = line[len("listening "):]
        self.assertTrue(self.machine.route_statistics(address), address)
        self.assertEqual(self.uninstall(), 0)
        reports = []
        for _ in range(100):
            if os.path.exists(out):
                with open(out) as f:
                    reports = [json.loads(text) for text in f if text.strip()]
            if reports:
                break
            time.sleep(0.1)
        self.assertEqual(len(reports), 1, reports)
        return reports[0]

    @staticmethod
    def comparable(report):
        """A decoded report without what differs from run to run (its time, hence its checksum)."""
        report = json.loads(json.dumps(report))
        report.pop("checksum")
        for record in report["records"]:
            record["fields"].pop("time", None)
        report["public"].pop("time", None)
        return report

    def test_usage_report_reaches_the_collector_and_decodes(self):
        self.install(service=False)
        report = self.collect_report()
        self.assertEqual(report["path"], "/nep/v1/")
        self.assertEqual([r["type"] for r in report["records"]], ["public", "event"])
        self.assertEqual(report["public"]["tryno"], 3)  # the updock section's
        self.assertEqual(report["event"]["pid"], 40202)
        self.assertEqual(report["event"]["result"], 1)
        if self.leg == "sim" or config.skip_reason("sim"):
            return
        # The same product on the simulated host sends the same packet, field for field.
        own = (self.machine, self.leg, self.product)
        self.leg = "sim"
        self.machine = config.new_machine("sim", self)
        self.product = product_dir("sim")
        try:
            self.install(service=False)
            simulated = self.collect_report()
        finally:
            self.machine, self.leg, self.product = own
        self.assertEqual(self.comparable(report), self.comparable(simulated))


class SimulatedHost(SecondProductScenario, unittest.TestCase):
    leg = "sim"


class Wine64BitLeg(SecondProductScenario, unittest.TestCase):
    leg = "x64"


class Wine32BitLeg(SecondProductScenario, unittest.TestCase):
    leg = "x86"


if __name__ == "__main__":
    unittest.main()
