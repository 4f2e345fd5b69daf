"""Where the builds are, which legs can run here, and machines that always go.

UNINST_BUILD_DIR        the Linux build (simhost, cfgtool, uninst.exe); default build/
UNINST_WIN64_BUILD_DIR  the 64-bit Windows test build; default build-win64/
UNINST_WIN_BUILD_DIR    the shipped 32-bit Windows build; default build-win/
UNINST_WINE_CACHE       where prefix templates are kept; default <UNINST_BUILD_DIR>/wine-cache
"""

import os
import re
import unittest

import machine
import prefix

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("UNINST_BUILD_DIR", os.path.join(ROOT, "build"))
WIN64_BUILD = os.environ.get("UNINST_WIN64_BUILD_DIR", os.path.join(ROOT, "build-win64"))
WIN32_BUILD = os.environ.get("UNINST_WIN_BUILD_DIR", os.path.join(ROOT, "build-win"))
CACHE = os.environ.get("UNINST_WINE_CACHE", os.path.join(BUILD, "wine-cache"))

LEGS = ("sim", "x64", "x86")


def tool(name):
    return os.path.join(BUILD, name)


def uninstaller(leg):
    """The uninstaller a leg runs: the Linux build's on the simulated host."""
    folder = {"sim": BUILD, "x64": WIN64_BUILD, "x86": WIN32_BUILD}[leg]
    return os.path.join(folder, "uninst.exe")


def skip_reason(leg):
    """Why a leg cannot run here, or None."""
    needed = [tool("cfgtool"), uninstaller(leg)]
    if leg == "sim":
        needed.append(tool("simhost"))
    else:
        missing = prefix.missing_tools(leg)
        if missing:
            return missing
    for path in needed:
        if not os.path.exists(path):
            return "no " + path
    return None


def new_machine(leg, test):
    """A fresh machine of a leg, destroyed at the end of test whatever happens."""
    if leg == "sim":
        made = machine.SimMachine(tool("simhost"))
    else:
        made = machine.WineMachine(prefix.template(CACHE), leg)
        made.statistics_address = built_statistics_address(leg)
    test.addCleanup(made.destroy)
    return made.create()


def helper(leg, name):
    """A helper program of a leg: "proc" (held files, mappings), "svc" (a service
    program), "ext32"/"ext64" (the sample tool-set extension per bitness)."""
    if leg == "sim":
        return os.path.join(BUILD, {"proc": "simproc.exe", "svc": "simproc.exe",
                                    "ext32": "SampleToolExt.exe", "ext64": "SampleToolExt.exe"}[name])
    if name == "ext32":
        return os.path.join(WIN32_BUILD, "SampleToolExt.exe")
    if name == "ext64":
        return os.path.join(WIN64_BUILD, "SampleToolExt64.exe")
    return os.path.join(uninstaller(leg).rsplit(os.sep, 1)[0], "win" + name + ".exe")


def loopback_uninstaller(leg):
    """The program a leg's usage-report scenario runs: on Wine, uninst_loopback.exe,
    the same objects built to report to a loopback address (scripts/build-windows)."""
    if leg == "sim":
        return uninstaller(leg)
    return os.path.join(os.path.dirname(uninstaller(leg)), "uninst_loopback.exe")


LOOPBACK_ADDRESS = re.compile(rb"(?:127\.\d{1,3}\.\d{1,3}\.\d{1,3}|\[::1\]):\d{1,5}(?=\0)")


def built_statistics_address(leg):
    """The loopback HOST:PORT a leg's report program was built to report to, or None."""
    if leg == "sim":
        return None
    try:
        with open(loopback_uninstaller(leg), "rb") as f:
            found = LOOPBACK_ADDRESS.search(f.read())
    except OSError:
        return None
    return found.group(0).decode() if found else None


class ScenarioPrefixTest(unittest.TestCase):
    """A test with a fresh sandboxed 64-bit prefix of its own (self.scenario),
    copied from the cached template (cls.template) and closed at its end."""

    @classmethod
    def setUpClass(cls):
        reason = prefix.missing_tools("x64")
        if reason:
            raise unittest.SkipTest(reason)
        cls.template = prefix.template(CACHE)

    def setUp(self):
        self.scenario = prefix.ScenarioPrefix(self.template)
        self.addCleanup(self.scenario.close)
