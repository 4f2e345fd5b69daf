#!/usr/bin/env python3
"""What a stage of scripts/test left behind in its own temporary folder.

Usage: leftovers.py [--end] DIR

DIR is the TMPDIR the stage ran with, and nothing else uses it. Prints one
line for every temporary machine folder still in DIR and for every live
process tied to DIR (its executable or working folder lies in DIR, or it was
started with TMPDIR=DIR), and exits with 1 if there is any. With --end those
processes are then ended (SIGKILL, by their ids) and waited for.
"""
import fnmatch
import os
import signal
import sys
import time

# The names our tests, demo and fuzz targets give their temporary folders.
PATTERNS = ("uninst-test-*", "uninst-demo.*", "config_reader_fuzz.*", "sim-scenario-*",
            "wine-scenario-*", "uninst-wine-*")


def link(path):
    try:
        target = os.readlink(path)
    except OSError:
        return ""
    return target[: -len(" (deleted)")] if target.endswith(" (deleted)") else target


def inside(path, folder):
    return path == folder or path.startswith(folder + "/")


def state(pid):
    try:
        with open(f"/proc/{pid}/status", encoding="ascii", errors="replace") as f:
            for line in f:
                if line.startswith("State:"):
                    return line.split()[1]
    except OSError:
        pass
    return ""


def environment(pid):
    try:
        with open(f"/proc/{pid}/environ", "rb") as f:
            return f.read().split(b"\0")
    except OSError:
        return []


def command_line(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            text = f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
    except OSError:
        return "?"
    return text if len(text) <= 160 else text[:157] + "..."


def tied_processes(folder):
    """{pid: reason} for live (not zombie) processes tied to folder."""
    marker = b"TMPDIR=" + os.fsencode(folder)
    own = {os.getpid(), os.getppid()}
    found = {}
    for name in os.listdir("/proc"):
        if not name.isdigit() or int(name) in own:
            continue
        pid = int(name)
        exe, cwd = link(f"/proc/{pid}/exe"), link(f"/proc/{pid}/cwd")
        if inside(exe, folder):
            reason = "runs from it"
        elif inside(cwd, folder):
            reason = "works in it"
        elif marker in environment(pid):
            reason = "started by the stage"
        else:
            continue
        if state(pid) not in ("", "Z"):
            found[pid] = reason
    return found


def main(argv):
    end = "--end" in argv
    args = [a for a in argv if a != "--end"]
    if len(args) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    folder = os.path.realpath(args[0])
    leaks = 0
    for name in sorted(os.listdir(folder)):
        if any(fnmatch.fnmatch(name, p) for p in PATTERNS):
            print(f"  temporary machine folder left: {os.path.join(folder, name)}")
            leaks += 1
    processes = tied_processes(folder)
    for pid, reason in sorted(processes.items()):
        print(f"  process left running ({reason}): {pid} {command_line(pid)}")
        leaks += 1
    if end:
        # They are this stage's own: end them, and whatever they start meanwhile.
        deadline = time.monotonic() + 10
        while processes and time.monotonic() < deadline:
            for pid in processes:
                try:
                    os.kill(pid, signal.SIGKILL)
                except OSError:
                    pass
            time.sleep(0.05)
            processes = tied_processes(folder)
    return 1 if leaks else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
