"""A scenario's prefix cannot reach the Linux file system: no Z:, no links out."""

import os
import shutil
import subprocess
import tempfile
import unittest

import config
import prefix


class SandboxTest(config.ScenarioPrefixTest):
    def setUp(self):
        super().setUp()
        self.outside = tempfile.mkdtemp(prefix="wine-canary-")
        self.addCleanup(shutil.rmtree, self.outside, True)

    def cmd(self, lines):
        # A batch file: cmd does not take quotes back from Wine's command-line quoting.
        with open(os.path.join(self.scenario.drive_c(), "probe.bat"), "w") as f:
            f.write("@echo off\r\n" + "\r\n".join(lines) + "\r\n")
        out = subprocess.run([prefix.loader("x64"), "cmd", "/c", "C:\\probe.bat"],
                             env=self.scenario.env(), cwd=self.scenario.drive_c(),
                             capture_output=True, timeout=120)
        return out.stdout.decode("utf-8", "replace")

    def test_template_and_copy_have_no_way_out(self):
        self.assertEqual(prefix.sandbox_problems(self.template), [])
        self.assertEqual(prefix.sandbox_problems(self.scenario.prefix), [])
        self.assertEqual(sorted(os.listdir(os.path.join(self.scenario.prefix, "dosdevices"))),
                         ["c:"])
        users = os.path.join(self.scenario.drive_c(), "users")
        desktops = [os.path.join(users, u, "Desktop") for u in os.listdir(users)]
        self.assertTrue(desktops)
        for desktop in desktops:
            self.assertTrue(os.path.isdir(desktop) and not os.path.islink(desktop), desktop)

    def test_programs_inside_reach_no_canary(self):
        # Where Wine links the shell folders (HOME and its Desktop), and anywhere else.
        canaries = [os.path.join(self.scenario.home, "Desktop", "canary.txt"),
                    os.path.join(self.scenario.home, "canary.txt"),
                    os.path.join(self.outside, "canary.txt")]
        for path in canaries:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write("canary")
        probes = []
        for path in canaries:
            dos = path.replace("/", "\\")
            probes.append("if exist Z:%s echo REACHED %s" % (dos, dos))
            probes.append("del /f /q Z:%s" % dos)
        out = self.cmd(probes + [
            "echo %USERPROFILE%",
            "del /f /q \"%USERPROFILE%\\Desktop\\*\"",
            "dir /s /b /a C:\\"])
        self.assertNotIn("REACHED", out)
        self.assertNotIn("canary", out.lower())
        self.assertIn("C:\\users\\", out)
        for path in canaries:
            self.assertTrue(os.path.exists(path), path + " was deleted from inside the prefix")
        # Running programs made no new way out.
        self.assertEqual(prefix.sandbox_problems(self.scenario.prefix), [])

    def test_close_ends_the_server_and_removes_the_copy(self):
        other = prefix.ScenarioPrefix(self.template)
        try:
            subprocess.Popen([prefix.loader("x64"), "cmd", "/c", "ping -n 60 127.0.0.1"],
                             env=other.env(), cwd=other.drive_c(), stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        finally:
            other.close()
        self.assertFalse(os.path.exists(other.root))
        left = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if other.prefix.encode() in f.read():
                        left.append(pid)
            except OSError:
                pass
        self.assertEqual(left, [])


if __name__ == "__main__":
    unittest.main()
