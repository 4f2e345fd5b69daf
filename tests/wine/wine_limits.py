"""Where Wine is not Windows, in one place: each limit, its reason, and a check.

Scenarios consult these instead of loosening their expectations; the tests
below fail when Wine starts behaving otherwise, so the list stays true.
"""

import os
import shutil
import subprocess
import unittest

import config
import prefix

# Wine's firewall object is a stub: it keeps no authorised application and
# reports the firewall not enabled. Its check needs a Windows probe program.
FIREWALL_IS_STUB = "Wine's firewall object adds and removes nothing"

# From a 64-bit process, KEY_WOW64_32KEY under HKEY_CLASSES_ROOT fails in Wine 8
# in the program's own calls; Wine's reg.exe (what set_registry uses) does redirect
# it, as checked below. The failing call itself needs a Windows probe program.
HKCR_32_VIEW_FAILS_FROM_64_BIT = True

# "\\?\unix\..." paths reach the Linux file system even without a Z: drive:
# the prefix is a sandbox for drive paths only, not for a hostile program.
UNIX_PATHS_REACH_LINUX = True

# A Linux symbolic link inside the prefix shows as a reparse point (the deletion
# guard refuses every path through it, as on Windows), but Wine's
# RemoveDirectoryW cannot remove such a link to a folder, where Windows removes
# a folder link itself: a listed folder holding one is left with the link in it
# (and named for the restart). test_second_product's hostile-path scenario
# checks that this still holds.
FOLDER_LINK_STAYS = True

# Wine's SfcIsFileProtected protects nothing (it says no even for kernel32.dll),
# so the deletion guard's operating-system-file rule, which rests on it as on
# Windows, has nothing to go by: a packet listing system files would remove
# them. The scenario of such a packet is skipped on Wine with this reason;
# winproc's "sfc" command checks that it still holds.
SFC_PROTECTS_NOTHING = "Wine's SfcIsFileProtected protects no file"

# Wine's Windows folder is "windows" in lower case on disk, and the system reports
# it so (Windows says "C:\\Windows"): the uninstaller's log names it as found.
WINDOWS_FOLDER = "C:\\windows"

# What Wine itself rewrites while programs run, whatever they do: its own
# settings, the display devices it enumerates as each process attaches to the
# display, and the service manager's counter. A comparison of two states of a
# machine leaves these out (keys given in upper case, with their subkeys).
WINE_VOLATILE_KEYS = (
    "HKEY_CURRENT_USER\\SOFTWARE\\WINE",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\WINE",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\WINE",
    "HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\CLASS",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\DEVICECLASSES",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\VIDEO",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\CONTROL\\SERVICECURRENT",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\ENUM",
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CURRENTCONTROLSET\\HARDWARE PROFILES",
)


def wine_volatile(key):
    upper = key.upper()
    return any(upper == k or upper.startswith(k + "\\") for k in WINE_VOLATILE_KEYS)


# Program Files of each bitness, as on x64 Windows.
PROGRAM_FILES = {"x64": "C:\\Program Files", "x86": "C:\\Program Files (x86)"}

# hostprobe's lines where Wine is not Windows: {check: {leg: (Wine's line, why)}}.
# test_hostprobe expects Wine's line on that leg, so a change in Wine shows.
WINE_BOTH_LEGS = ("x64", "x86")


def _on_both_legs(line, why):
    return {leg: (line, why) for leg in WINE_BOTH_LEGS}


HOSTPROBE_WINE_ANSWERS = {
    # Windows removes the name when DeleteFileW returns (the file lives on while
    # held); Wine keeps the name until the last handle is closed.
    "deleted-name-while-held": _on_both_legs("ok 0", "Wine deletes at the last close"),
    # Wine has no 260-character limit for paths without \\?\.
    "long-path-create-directory": _on_both_legs("ok 0", "Wine has no MAX_PATH limit"),
    "long-path-create-file": _on_both_legs("ok 0", "Wine has no MAX_PATH limit"),
    "long-path-attributes": _on_both_legs("ok 0", "Wine has no MAX_PATH limit"),
    # Wine's HKEY_CLASSES_ROOT is the machine's classes only: a class key of the
    # user's own (HKCU\Software\Classes) is not seen there.
    "hkcr-sees-user-class": _on_both_legs("fail 2", "Wine's HKCR merges no user classes"),
    # Wine checks no TCB privilege: an administrator's program gets a session's
    # user token and may set a token's session, where Windows refuses both (1314).
    "wts-query-user-token": _on_both_legs("ok 0", "Wine's WTSQueryUserToken checks no privilege"),
    "set-token-session-id": _on_both_legs("ok 0", "Wine checks no privilege for TokenSessionId"),
}


class WineLimitsStillHold(config.ScenarioPrefixTest):
    def wine64(self, *args):
        out = subprocess.run([prefix.loader("x64")] + list(args), env=self.scenario.env(),
                             cwd=self.scenario.drive_c(), capture_output=True, timeout=120)
        return out.returncode, out.stdout.decode("utf-8", "replace")

    def test_hkcr_32_bit_view_through_reg_exe_is_redirected(self):
        # Windows keeps a 32-view class key where the 64-bit view does not see it.
        code, _ = self.wine64("reg", "add", "HKCR\\TinyLimitProbe", "/v", "x", "/d", "1", "/f",
                              "/reg:32")
        in_64_view, _ = self.wine64("reg", "query", "HKCR\\TinyLimitProbe", "/reg:64")
        self.assertEqual(code, 0)
        self.assertNotEqual(in_64_view, 0)

    def test_unix_paths_reach_linux(self):
        marker = os.path.join(self.scenario.root, "unix-marker.txt")
        with open(marker, "w") as f:
            f.write("reached")
        bat = os.path.join(self.scenario.drive_c(), "probe.bat")
        with open(bat, "w") as f:
            f.write("@type \\\\?\\unix%s\r\n" % marker.replace("/", "\\"))
        _, out = self.wine64("cmd", "/c", "C:\\probe.bat")
        self.assertEqual("reached" in out, UNIX_PATHS_REACH_LINUX)

    def test_sfc_protects_nothing(self):
        winproc = os.path.join(config.WIN64_BUILD, "winproc.exe")
        if not os.path.exists(winproc):
            self.skipTest("no " + winproc)
        shutil.copy(winproc, self.scenario.drive_c())
        _, out = self.wine64("C:\\winproc.exe", "sfc", WINDOWS_FOLDER + "\\System32\\kernel32.dll",
                             "exit", "0")
        self.assertEqual(out.splitlines()[:1] == ["protected 0"], bool(SFC_PROTECTS_NOTHING), out)

    def test_windows_folder_is_lower_case(self):
        names = os.listdir(self.scenario.drive_c())
        self.assertIn(WINDOWS_FOLDER[3:], names)
        self.assertNotIn("Windows", names)

    def test_program_files_per_bitness(self):
        views = [(64, "x64")]
        # Without the 32-bit loader Wine makes a 64-bit-only prefix: no 32-bit
        # view, no Program Files (x86).
        if prefix.loader("x86"):
            views.append((32, "x86"))
        for view, leg in views:
            _, out = self.wine64("reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion",
                                 "/v", "ProgramFilesDir", "/reg:%d" % view)
            self.assertIn(PROGRAM_FILES[leg], out)
            self.assertTrue(os.path.isdir(os.path.join(
                self.scenario.drive_c(), PROGRAM_FILES[leg][3:])))


if __name__ == "__main__":
    unittest.main()
