#!/usr/bin/env python3
"""Runs the Wine test bed's helper programs under Wine and checks what each
promises: the loader probe's exit code; winproc's commands, its sharing
violation and its window's messages; winsvc as a real service that stops, and
one that never does; the sample tool-set extension's event and marker file.

Every run happens in one throw-away 64-bit prefix in a temporary folder, with
its own HOME, real folders in place of the shell folders' links and no Z:
drive, under a virtual X server; the prefix and everything it runs end with
the test, pass or fail.

Usage: programs_test.py [--x86-build DIR] [--x64-build DIR]
       (the build folders of scripts/build-windows; a missing one is skipped
       and said so; the 32-bit programs run only where scripts/wine-probe
       says yes). Exit 1 when a check fails.
"""

import http.server
import os
import queue
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
LOADERS = {"x64": "/usr/lib/wine/wine64", "x86": "/usr/lib/wine/wine"}
TOOL_EXT = {"x64": "SampleToolExt64.exe", "x86": "SampleToolExt.exe"}
WM_USER = 0x400
# How long a step may take before the test gives up on it (not a measurement).
PATIENCE_S = 60


class Prefix:
    """A sandboxed Wine prefix in a temporary folder."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="uninst-wine-programs.")
        self.home = os.path.join(self.root, "home")
        self.path = os.path.join(self.root, "prefix")
        os.mkdir(self.home)
        self.env = dict(os.environ, HOME=self.home, WINEPREFIX=self.path, WINEARCH="win64",
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.pop("XDG_CONFIG_HOME", None)
        self.env.pop("XDG_DATA_HOME", None)
        subprocess.run(["wineboot", "-i"], env=self.env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)
        subprocess.run(["wineserver", "-w"], env=self.env, check=True, timeout=300)
        self.seal()

    def seal(self):
        """Shell folders become real folders and Z: goes: nothing outside reachable."""
        users = os.path.join(self.path, "drive_c", "users")
        for dirpath, dirnames, _ in os.walk(users):
            for name in list(dirnames):
                link = os.path.join(dirpath, name)
                if os.path.islink(link):
                    os.unlink(link)
                    os.mkdir(link)
                    dirnames.remove(name)
        z = os.path.join(self.path, "dosdevices", "z:")
        if os.path.lexists(z):
            os.unlink(z)

    def c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        shutil.rmtree(self.root, ignore_errors=True)


class Program:
    """A Windows program running in the background, its output read line by line."""

    def __init__(self, prefix, loader, exe, args):
        self.process = subprocess.Popen([loader, exe] + args, env=prefix.env, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\r\n"))
        self.lines.put(None)

    def expect(self, wanted):
        """The first line equal to wanted; every line read on the way, for a failure message."""
        seen = []
        deadline = time.monotonic() + PATIENCE_S
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=1)
            except queue.Empty:
                continue
            if line is None:
                break
            seen.append(line)
            if line == wanted:
                return True, seen
        return False, seen

    def end(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print("ok   " + name)
        else:
            self.failed += 1
            print("FAIL %s: %s" % (name, detail))


def run(prefix, loader, exe, args):
    result = subprocess.run([loader, exe] + args, env=prefix.env, capture_output=True, text=True,
                            timeout=PATIENCE_S)
    return result.returncode, result.stdout.replace("\r", "")


def check_probe(checks, prefix, loader, folder, arch):
    code, _ = run(prefix, loader, folder + "\\wineprobe.exe", [])
    checks.check("%s: wineprobe exits with 73" % arch, code == 73, "exit code %d" % code)


def check_winproc_commands(checks, prefix, loader, folder, arch):
    exe = folder + "\\winproc.exe"
    code, out = run(prefix, loader, exe, ["exit", "5"])
    checks.check("%s: winproc exit 5 prints ready and exits 5" % arch,
                 code == 5 and out == "ready\n", "exit code %d, output %r" % (code, out))
    code, out = run(prefix, loader, exe, ["sleep", "jump"])
    checks.check("%s: winproc refuses an unknown command" % arch,
                 code == 2 and out == "error unknown-command jump\n", "exit code %d, output %r" % (code, out))
    code, out = run(prefix, loader, exe, ["open-file"])
    checks.check("%s: winproc refuses a command without its argument" % arch,
                 code == 2 and out == "error missing-argument open-file\n",
                 "exit code %d, output %r" % (code, out))
    code, out = run(prefix, loader, exe, ["open-file", "C:\\no such file.txt"])
    checks.check("%s: winproc reports a file that is not there with its error" % arch,
                 code == 2 and out == "error open-file 2\n", "exit code %d, output %r" % (code, out))


def check_winproc_sharing(checks, prefix, loader, folder, arch):
    exe = folder + "\\winproc.exe"
    with open(prefix.c("held.txt"), "w") as f:
        f.write("held")
    # No sharing at all: a second reader gets ERROR_SHARING_VIOLATION.
    holder = Program(prefix, loader, exe, ["open-file", "C:\\held.txt", "0"])
    try:
        ready, seen = holder.expect("ready")
        checks.check("%s: winproc open-file with share 0 gets ready" % arch, ready, repr(seen))
        code, out = run(prefix, loader, exe, ["open-file", "C:\\held.txt", "exit", "0"])
        checks.check("%s: a file held without sharing cannot be opened again" % arch,
                     code == 2 and out == "error open-file 32\n", "exit code %d, output %r" % (code, out))
    finally:
        holder.end()
    # The default share (read): a second reader that shares reading is let in.
    holder = Program(prefix, loader, exe, ["open-file", "C:\\held.txt"])
    try:
        ready, seen = holder.expect("ready")
        code, out = run(prefix, loader, exe, ["open-file", "C:\\held.txt", "exit", "0"])
        checks.check("%s: a file held with read sharing can be read by another" % arch,
                     ready and code == 0 and out == "ready\n", "exit code %d, output %r" % (code, out))
    finally:
        holder.end()
    code, out = run(prefix, loader, exe, ["open-file", "C:\\held.txt", "0", "exit", "0"])
    checks.check("%s: the file is free once its holder is killed" % arch, code == 0,
                 "exit code %d, output %r" % (code, out))


def check_winproc_window(checks, prefix, loader, folder, arch):
    exe = folder + "\\winproc.exe"
    window_class = "WinprocTest" + arch
    owner = Program(prefix, loader, exe, ["window", window_class, "A title", "quit-on", str(WM_USER + 1)])
    try:
        ready, seen = owner.expect("ready")
        checks.check("%s: winproc window gets ready" % arch, ready, repr(seen))
        code, out = run(prefix, loader, exe, ["send", window_class, str(WM_USER), "7", "9", "exit", "0"])
        checks.check("%s: winproc send finds the window by class" % arch,
                     code == 0 and out == "result 0\nready\n",
                     "exit code %d, output %r" % (code, out))
        got, seen = owner.expect("%d 7 9" % WM_USER)
        checks.check("%s: the window prints a message sent to it" % arch, got, repr(seen))
        run(prefix, loader, exe, ["send", window_class, str(WM_USER + 1), "exit", "0"])
        got, seen = owner.expect("%d 0 0" % (WM_USER + 1))
        owner.process.wait(timeout=PATIENCE_S)
        checks.check("%s: quit-on ends the program with 0 after printing the message" % arch,
                     got and owner.process.returncode == 0,
                     "exit code %s, lines %r" % (owner.process.returncode, seen))
    finally:
        owner.end()


def query_until(prefix, loader, exe, name, state):
    """Queries the service until it reports state (or patience runs out); the last answer."""
    deadline = time.monotonic() + PATIENCE_S
    out = ""
    while time.monotonic() < deadline:
        _, out = run(prefix, loader, exe, ["query", name])
        if out == "state %s\n" % state:
            break
        time.sleep(0.2)
    return out


def check_winsvc(checks, prefix, loader, folder, arch):
    exe = folder + "\\winsvc.exe"
    code, out = run(prefix, loader, exe, [])
    checks.check("%s: winsvc outside the service manager fails with 1063" % arch,
                 code == 2 and out == "error StartServiceCtrlDispatcherW 1063\n",
                 "exit code %d, output %r" % (code, out))

    name = "WinsvcStops" + arch
    code, out = run(prefix, loader, exe, ["install", name])
    checks.check("%s: winsvc install" % arch, code == 0 and out == "installed %s\n" % name, repr(out))
    run(prefix, loader, exe, ["start", name])
    out = query_until(prefix, loader, exe, name, "SERVICE_RUNNING")
    checks.check("%s: the service runs once started" % arch, out == "state SERVICE_RUNNING\n", repr(out))
    code, out = run(prefix, loader, exe, ["stop", name])
    checks.check("%s: the stop control is accepted" % arch, code == 0, "exit code %d, %r" % (code, out))
    out = query_until(prefix, loader, exe, name, "SERVICE_STOPPED")
    checks.check("%s: the service stops when asked" % arch, out == "state SERVICE_STOPPED\n", repr(out))
    code, out = run(prefix, loader, exe, ["delete", name])
    checks.check("%s: winsvc delete" % arch, code == 0 and out == "deleted %s\n" % name, repr(out))
    code, out = run(prefix, loader, exe, ["query", name])
    checks.check("%s: a deleted service is gone" % arch,
                 code == 2 and out == "error OpenServiceW 1060\n", "exit code %d, %r" % (code, out))

    name = "WinsvcNeverStops" + arch
    run(prefix, loader, exe, ["install", name, "--never-stops"])
    run(prefix, loader, exe, ["start", name])
    out = query_until(prefix, loader, exe, name, "SERVICE_RUNNING")
    checks.check("%s: the service that never stops runs" % arch, out == "state SERVICE_RUNNING\n", repr(out))
    code, out = run(prefix, loader, exe, ["stop", name])
    checks.check("%s: it answers a stop with SERVICE_STOP_PENDING" % arch,
                 code == 0 and out == "state SERVICE_STOP_PENDING\n", "exit code %d, %r" % (code, out))
    # Stopped would be reported at once; the second query shows it stays pending.
    out = query_until(prefix, loader, exe, name, "SERVICE_STOP_PENDING")
    checks.check("%s: and stays pending" % arch, out == "state SERVICE_STOP_PENDING\n", repr(out))
    run(prefix, loader, exe, ["delete", name])


def check_tool_ext(checks, prefix, loader, folder, arch):
    exe = folder + "\\" + TOOL_EXT[arch]
    waiting = Program(prefix, loader, exe, [])
    try:
        ready, seen = waiting.expect("ready")
        checks.check("%s: %s waits on its exit event" % (arch, TOOL_EXT[arch]), ready, repr(seen))
        run(prefix, loader, folder + "\\winproc.exe", ["set-event", "Global\\SampleToolExt_Exit", "exit", "0"])
        waiting.process.wait(timeout=PATIENCE_S)
        checks.check("%s: the exit event ends it with 0" % arch, waiting.process.returncode == 0,
                     "exit code %s" % waiting.process.returncode)
    finally:
        waiting.end()
    marker = prefix.c("windows", "temp", "SampleToolExt.log")
    if os.path.exists(marker):
        os.unlink(marker)
    code, _ = run(prefix, loader, exe, ["/uninstall", "/quiet"])
    text = open(marker, encoding="utf-8", errors="replace").read() if os.path.exists(marker) else ""
    checks.check("%s: /uninstall /quiet exits 0 and writes its marker line" % arch,
                 code == 0 and text.startswith("program=C:\\") and
                 text.rstrip("\r\n").endswith("/uninstall /quiet") and text.count("\n") == 1,
                 "exit code %d, marker %r" % (code, text))


class Collector(http.server.BaseHTTPRequestHandler):
    """Keeps each POST's path and body; answers "thanks"."""
    posts = []

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        Collector.posts.append((self.path, body, self.headers.get("User-Agent")))
        self.send_response(200)
        self.send_header("Content-Length", "6")
        self.end_headers()
        self.wfile.write(b"thanks")

    def log_message(self, *args):
        pass


def configured_host(build):
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        found = re.search(r"^UNINST_STATISTICS_HOST:STRING=(.*)$", f.read(), re.M)
    return found.group(1) if found else None


def check_winpost(checks, prefix, loader, folder, arch, build):
    exe = folder + "\\winpost.exe"
    host = configured_host(build)
    # The build's own statistics host, when it is a loopback address and port.
    loopback = re.fullmatch(r"127\.0\.0\.1:(\d+)", host or "")
    server = http.server.HTTPServer(("127.0.0.1", int(loopback.group(1)) if loopback else 0), Collector)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        Collector.posts.clear()
        url = "http://127.0.0.1:%d/nep/v1/" % server.server_port
        code, out = run(prefix, loader, exe, [url])
        checks.check("%s: WinHTTP posts to an address with a port" % arch,
                     code == 0 and out == "url %s\nstatus 200\nreply thanks\n" % url and
                     Collector.posts == [("/nep/v1/", b"winpost", "Mozilla/4.0")],
                     "exit code %d, output %r, posts %r" % (code, out, Collector.posts))
        Collector.posts.clear()
        code, out = run(prefix, loader, exe, [])
        checks.check("%s: the build's statistics host %s makes the statistics URL" % (arch, host),
                     out.startswith("url http://%s/nep/v1/\n" % host), repr(out))
        if loopback:
            checks.check("%s: a usage report of this build reaches its loopback host" % arch,
                         code == 0 and Collector.posts == [("/nep/v1/", b"winpost", "Mozilla/4.0")],
                         "exit code %d, output %r, posts %r" % (code, out, Collector.posts))
    finally:
        server.shutdown()
        server.server_close()


def probe_32_bit():
    result = subprocess.run([os.path.join(ROOT, "scripts", "wine-probe")], capture_output=True, text=True)
    return result.returncode == 0, result.stdout.strip()


def main(argv):
    builds = {"x86": os.path.join(ROOT, "build-win"), "x64": os.path.join(ROOT, "build-win64")}
    args = argv[1:]
    while args:
        if args[0] in ("--x86-build", "--x64-build") and len(args) >= 2:
            builds[args[0][2:5]] = os.path.abspath(args[1])
            args = args[2:]
        else:
            print(__doc__.strip(), file=sys.stderr)
            return 2
    # One virtual display for the whole run: a window needs one, and no real
    # display may ever see these programs.
    if os.environ.get("UNINST_PROGRAMS_TEST_XVFB") != "1":
        env = dict(os.environ, UNINST_PROGRAMS_TEST_XVFB="1")
        return subprocess.run(["xvfb-run", "-a", sys.executable, "-B"] + argv, env=env).returncode

    legs = []
    for arch in ("x64", "x86"):
        if not os.path.isfile(os.path.join(builds[arch], "winproc.exe")):
            print("%s: skipped (no programs in %s: scripts/build-windows --arch %s)" % (arch, builds[arch], arch))
            continue
        if arch == "x86":
            runs, line = probe_32_bit()
            if not runs:
                print("x86: skipped (%s)" % line)
                continue
        legs.append(arch)

    checks = Checks()
    prefix = Prefix()
    try:
        for arch in legs:
            folder = "C:\\programs\\" + arch
            os.makedirs(prefix.c("programs", arch))
            for name in ("wineprobe.exe", "winproc.exe", "winsvc.exe", "winpost.exe", TOOL_EXT[arch]):
                shutil.copy(os.path.join(builds[arch], name), prefix.c("programs", arch, name))
            loader = LOADERS[arch]
            for group in (check_probe, check_winproc_commands, check_winproc_sharing, check_winproc_window,
                          check_winsvc, check_tool_ext, check_winpost):
                try:
                    if group is check_winpost:
                        group(checks, prefix, loader, folder, arch, builds[arch])
                    else:
                        group(checks, prefix, loader, folder, arch)
                except (subprocess.TimeoutExpired, OSError) as error:
                    checks.check("%s: %s" % (arch, group.__name__), False, str(error))
    finally:
        prefix.close()
    print("%d passed, %d failed (%s)" % (checks.passed, checks.failed, ", ".join(legs) or "no programs"))
    return 1 if checks.failed or not legs else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
