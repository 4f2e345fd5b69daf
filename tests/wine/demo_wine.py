#!/usr/bin/env python3
"""The demo's machine steps on a sandboxed Wine prefix (scripts/demo --wine).

Usage: demo_wine.py WORK SHOW_PY x64|x86
Writes fresh/before/after/rebooted.json and before/after.ps into WORK in the
shape of `simhost dump` and `simhost ps`, and prints the demo's report through
SHOW_PY between the steps. The prefix is removed and its processes ended
whatever happens.
"""

import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import config  # noqa: E402
import machine as machines  # noqa: E402
import prefix  # noqa: E402
import sample_product  # noqa: E402

LOG = sample_product.PRODUCT_DIR + "\\log\\uninst.exe.log"
HOSTILE = '<item path="..\\..\\Users\\User\\Desktop"/>'
RUN_TIMEOUT = int(os.environ.get("UNINST_DEMO_TIMEOUT", "300"))


# Wine's own settings, which Wine rewrites as programs start (fonts, for one):
# left out so that the counts show what the product and the run changed.
WINE_OWN_KEYS = ("HKEY_CURRENT_USER\\SOFTWARE\\WINE", "HKEY_LOCAL_MACHINE\\SOFTWARE\\WINE",
                 "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432NODE\\WINE")


def wine_own(key):
    upper = key.upper()
    return any(upper == k or upper.startswith(k + "\\") for k in WINE_OWN_KEYS)


def as_dump(state):
    """A machine state in the shape of `simhost dump`, without Wine's own settings."""
    return {
        "files": state["files"],
        "registry": {k: v for k, v in state["registry"].items() if not wine_own(k)},
        "services": [{"name": n, "state": s} for n, s in sorted(state["services"].items())],
        "firewall": [],
        "pending_renames": state["pending_renames"],
    }


def save(work, name, state):
    with open(os.path.join(work, name + ".json"), "w", encoding="utf-8") as f:
        json.dump(as_dump(state), f)


def save_ps(work, name, programs):
    with open(os.path.join(work, name + ".ps"), "w", encoding="utf-8") as f:
        for line in programs:
            f.write(line + "\n")


def add_hostile_item(m, hostile):
    """One entry that climbs out of the product, added to the installed packet's
    folders to delete: the run refuses it with a WARNING."""
    dat = sample_product.PRODUCT_DIR + "\\installConfig.dat"
    with tempfile.TemporaryDirectory() as work:
        packed, xml = os.path.join(work, "c.dat"), os.path.join(work, "c.xml")
        with open(packed, "wb") as f:
            f.write(m.read_file(dat))
        text = subprocess.run([config.tool("cfgtool"), "unpack", packed], check=True,
                              capture_output=True, text=True).stdout
        at = text.find("<dirlist>", text.find("<uninstallfile>"))
        if at < 0:
            raise SystemExit("no dirlist in the sample packet")
        at += len("<dirlist>")
        with open(xml, "w", encoding="utf-8") as f:
            f.write(text[:at] + hostile + text[at:])
        subprocess.run([config.tool("cfgtool"), "pack", xml, packed], check=True)
        m.copy_in(packed, dat)


def main(argv):
    work, show, leg = argv
    reason = config.skip_reason(leg)
    if reason:
        print("The %s leg cannot run here: %s" % (leg, reason))
        return 1

    def report(*args):
        sys.stdout.flush()
        subprocess.run([sys.executable, show] + list(args), check=True)

    print("Wine's own settings (HKCU and HKLM Software\\Wine) are left out of the counts.")
    print("Making a sandboxed Wine prefix (the template is cached in %s)" % config.CACHE,
          flush=True)
    m = machines.WineMachine(prefix.template(config.CACHE), leg)
    try:
        m.create()
        save(work, "fresh", m.state())
        print("Installing the sample product under %s (the %s build: %s)"
              % (sample_product.PRODUCT_DIR, leg, config.uninstaller(leg)))
        sample_product.install_sample(m)
        user = sample_product.user_folder(m)
        hostile = HOSTILE.replace("Users\\User\\", user[3:])
        add_hostile_item(m, hostile)
        print("Added to the packet, to show the guard: " + hostile)
        print("Starting %s (main window class SampleProductMainWindow)" % sample_product.APP)
        app = sample_product.start_app(m)
        running = []
        if app.read_line(60) == "ready":
            running.append("%s window SampleProductMainWindow" % sample_product.APP)
        else:
            print("(the sample application did not start)")
        save(work, "before", m.state())
        save_ps(work, "before", running)
        print("\n== BEFORE")
        report("before", work)

        print("\n== Running %s /at (silent) under Wine (%s)" % (sample_product.UNINSTALLER, leg),
              flush=True)
        rc = m.run(sample_product.UNINSTALLER, ["/at"], timeout=RUN_TIMEOUT)
        print("The uninstaller ended with exit code %d." % rc)
        copy = os.path.join(work, "run.log")
        if m.exists(LOG):
            with open(copy, "wb") as f:
                f.write(m.read_file(LOG))
        save(work, "after", m.state())
        save_ps(work, "after", running if app.running() else [])
        print("\n== AFTER")
        report("after", work)
        print("\n== The uninstaller's log (%s), as the run left it" % LOG)
        report("log", work, LOG, copy)

        print("\n== After a restart (wineboot -r)", flush=True)
        m.restart()
        save(work, "rebooted", m.state())
        report("rebooted", work)
    finally:
        m.destroy()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
