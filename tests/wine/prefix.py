"""Wine prefixes that are sandboxes: their own HOME, no links out, no drive but C:.

A fresh prefix is slow to make (wineboot), so one template is made per prefix
kind and cached in a folder the caller gives; every scenario runs on a copy of
it, with its own wineserver, ended and removed whatever the outcome.
"""

import fcntl
import os
import shutil
import subprocess
import tempfile
import time

# Debian's packaging: /usr/bin/wine prefers the 32-bit loader, the 64-bit one is
# only under /usr/lib/wine. Both run on the same 64-bit prefix, as on x64 Windows.
_LOADER_DIRS = ["/usr/lib/wine"]

WINE_ENV = {
    "WINEARCH": "win64",
    "WINEDEBUG": "-all",
    # No Mono or Gecko prompts; no menu entries written into HOME.
    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
}


def _find(name):
    found = shutil.which(name)
    if found:
        return found
    for folder in _LOADER_DIRS:
        path = os.path.join(folder, name)
        if os.access(path, os.X_OK):
            return path
    return None


def loader(leg):
    """The loader that runs programs of a leg: "x64" (wine64) or "x86" (wine)."""
    if leg == "x64":
        return _find("wine64")
    # The 32-bit loader itself, not /usr/bin/wine, which falls back to wine64.
    path = os.path.join(_LOADER_DIRS[0], "wine")
    return path if os.access(path, os.X_OK) else None


def wineserver():
    return _find("wineserver")


def missing_tools(leg):
    """Why a leg cannot run here, or None when it can."""
    for tool in ("xvfb-run", "Xvfb"):
        if not shutil.which(tool):
            return tool + " is not installed"
    if not wineserver():
        return "wineserver is not installed"
    if not loader("x64"):
        return "wine64 is not installed"
    if leg == "x86":
        wine32 = loader("x86")
        if not wine32:
            return "the 32-bit wine loader (wine32:i386) is not installed"
        # The loader is a 32-bit Linux program: it starts only where the kernel runs those.
        try:
            probe = subprocess.run([wine32, "--version"], capture_output=True, timeout=30)
        except OSError as error:
            return "the kernel does not run 32-bit programs (%s)" % error
        if probe.returncode != 0:
            return "the kernel does not run 32-bit programs (wine exits %d)" % probe.returncode
    return None


def wine_version():
    out = subprocess.run([loader("x64"), "--version"], capture_output=True, text=True, timeout=30)
    return out.stdout.strip()


def prefix_env(prefix, home, display=None):
    env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
    env.update(WINE_ENV)
    env["WINEPREFIX"] = prefix
    env["HOME"] = home
    env.pop("DISPLAY", None)
    if display:
        env["DISPLAY"] = display
    return env


def _sandbox(prefix):
    """Cuts every way out of the prefix: shell-folder links and drives but C:."""
    users = os.path.join(prefix, "drive_c", "users")
    for root, dirs, files in os.walk(users):
        for name in dirs + files:
            path = os.path.join(root, name)
            if os.path.islink(path):
                os.unlink(path)
                os.mkdir(path)
    devices = os.path.join(prefix, "dosdevices")
    for name in os.listdir(devices):
        if name != "c:":
            os.unlink(os.path.join(devices, name))


def sandbox_problems(prefix):
    """What still leads out of the prefix (empty when it is a sandbox)."""
    problems = []
    drive_c = os.path.realpath(os.path.join(prefix, "drive_c"))
    for root, dirs, files in os.walk(os.path.join(prefix, "drive_c")):
        for name in dirs + files:
            path = os.path.join(root, name)
            if os.path.islink(path):
                problems.append("link " + path + " -> " + os.readlink(path))
    devices = os.path.join(prefix, "dosdevices")
    for name in sorted(os.listdir(devices)):
        path = os.path.join(devices, name)
        # Serial and parallel ports (com1 ...) are devices, not drives: Wine makes them again.
        if len(name) == 2 and name[1] == ":" and name != "c:":
            problems.append("drive " + name)
        elif name == "c:" and os.path.realpath(path) != drive_c:
            problems.append("c: leads to " + os.path.realpath(path))
    return problems


class PrefixError(Exception):
    pass


def _run_boot(prefix, home):
    env = prefix_env(prefix, home)
    boot = subprocess.run(["xvfb-run", "-a", loader("x64"), "wineboot", "-i"], env=env,
                          capture_output=True, text=True, timeout=600)
    subprocess.run([wineserver(), "-w"], env=env, timeout=600)
    if boot.returncode != 0 or not os.path.exists(os.path.join(prefix, "system.reg")):
        raise PrefixError("wineboot -i failed (%d): %s" % (boot.returncode, boot.stderr[-2000:]))


def template(cache_dir):
    """The cached template prefix in cache_dir, made on first use (under a lock)."""
    os.makedirs(cache_dir, exist_ok=True)
    stamp_text = wine_version() + " " + WINE_ENV["WINEARCH"] + "\n"
    final = os.path.join(cache_dir, "wine-template-" + WINE_ENV["WINEARCH"])
    stamp = os.path.join(final, "stamp")
    with open(os.path.join(cache_dir, "wine-template.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(stamp):
            with open(stamp) as f:
                if f.read() == stamp_text:
                    return os.path.join(final, "prefix")
            shutil.rmtree(final)
        work = tempfile.mkdtemp(prefix="wine-template-", dir=cache_dir)
        try:
            prefix, home = os.path.join(work, "prefix"), os.path.join(work, "home")
            os.mkdir(home)
            _run_boot(prefix, home)
            _sandbox(prefix)
            problems = sandbox_problems(prefix)
            if problems:
                raise PrefixError("the template is no sandbox: " + "; ".join(problems))
            shutil.rmtree(home)
            with open(os.path.join(work, "stamp"), "w") as f:
                f.write(stamp_text)
            os.rename(work, final)
        except BaseException:
            shutil.rmtree(work, ignore_errors=True)
            raise
    return os.path.join(final, "prefix")


class ScenarioPrefix:
    """A private copy of the template with its own HOME, X display and wineserver.

    close() ends every process of the copy and removes it; use it as a context
    manager or register close() as a cleanup so it runs pass or fail.
    """

    def __init__(self, template_prefix, parent_dir=None):
        self.root = tempfile.mkdtemp(prefix="wine-scenario-", dir=parent_dir)
        self.prefix = os.path.join(self.root, "prefix")
        self.home = os.path.join(self.root, "home")
        self._xvfb = None
        self.display = None
        try:
            os.mkdir(self.home)
            subprocess.run(["cp", "-a", template_prefix, self.prefix], check=True)
            self._start_display()
        except BaseException:
            self.close()
            raise

    def _start_display(self):
        read_end, write_end = os.pipe()
        try:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0",
                 "1024x768x24"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, cwd=self.root)
            os.close(write_end)
            write_end = -1
            number = b""
            with os.fdopen(read_end, "rb") as pipe:
                read_end = -1
                number = pipe.readline().strip()
            if not number:
                raise PrefixError("Xvfb gave no display number")
            self.display = ":" + number.decode()
        finally:
            for fd in (read_end, write_end):
                if fd >= 0:
                    os.close(fd)

    def env(self):
        return prefix_env(self.prefix, self.home, self.display)

    def drive_c(self):
        return os.path.join(self.prefix, "drive_c")

    def wait_server(self, timeout=120):
        """Waits for the wineserver to end (after the last program); False on timeout."""
        try:
            subprocess.run([wineserver(), "-w"], env=self.env(), timeout=timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def close(self):
        if os.path.isdir(self.prefix):
            try:
                subprocess.run([wineserver(), "-k"], env=self.env(), timeout=60,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                subprocess.run([wineserver(), "-w"], env=self.env(), timeout=60)
            except (OSError, subprocess.TimeoutExpired):
                pass
        if self._xvfb:
            self._xvfb.kill()
            self._xvfb.wait()
            self._xvfb = None
        _end_processes_under(self.root)
        shutil.rmtree(self.root, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def _end_processes_under(folder):
    """Kills what still runs from or in folder (a wineserver -k that came too late)."""
    folder = os.path.realpath(folder) + "/"
    for _ in range(50):
        left = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit() or int(pid) == os.getpid():
                continue
            for link in ("exe", "cwd"):
                try:
                    target = os.readlink("/proc/%s/%s" % (pid, link))
                except OSError:
                    continue
                if (target + "/").startswith(folder):
                    left.append(int(pid))
                    break
            else:
                try:
                    with open("/proc/%s/environ" % pid, "rb") as f:
                        if ("WINEPREFIX=" + folder).encode() in f.read():
                            left.append(int(pid))
                except OSError:
                    pass
        if not left:
            return
        for pid in left:
            try:
                os.kill(pid, 9)
            except OSError:
                pass
        time.sleep(0.1)
