"""One machine interface for end-to-end scenarios, two back ends.

SimMachine drives a simulated host through the `simhost` tool; WineMachine
drives a private copy of a sandboxed Wine prefix on one leg ("x64": the
64-bit program under wine64, "x86": the 32-bit program under the 32-bit
loader, on the same 64-bit prefix as a user's x64 Windows).

state() gives both the same shape:
  files            sorted Windows paths under C:, folders ending in "\\"
  registry         {key path: {value name: [TYPE, data]}}, HKLM with the
                   32-bit view under its Wow6432Node keys, HKCU and HKU
  services         {name: state}, states as Windows names ("RUNNING", ...)
  pending_renames  [[from, to], ...] of PendingFileRenameOperations, without
                   "\\??\\"; a delete has to == ""
"""

import json
import os
import select
import shutil
import subprocess
import tempfile
import time

import prefix as wineprefix
import regfile

SESSION_MANAGER = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager"
SERVICES_KEY = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services"


class MachineError(Exception):
    pass


def real_path(drive_c, winpath):
    """The Linux path of a C: path, matching existing names without regard to case."""
    text = winpath.replace("/", "\\")
    if not text[:3].upper() == "C:\\":
        raise MachineError("not a C: path: " + winpath)
    path = drive_c
    for part in [p for p in text[3:].split("\\") if p]:
        if part in (".", ".."):
            raise MachineError("no relative parts here: " + winpath)
        match = part
        if os.path.isdir(path) and not os.path.lexists(os.path.join(path, part)):
            for name in os.listdir(path):
                if name.lower() == part.lower():
                    match = name
                    break
        path = os.path.join(path, match)
    return path


def list_files(drive_c):
    """Every file and folder under C: as Windows paths; links are not followed."""
    found = []
    for root, dirs, files in os.walk(drive_c):
        rel = os.path.relpath(root, drive_c)
        base = "C:\\" if rel == "." else "C:\\" + rel.replace("/", "\\") + "\\"
        for name in dirs:
            found.append(base + name + "\\")
        for name in files:
            found.append(base + name)
    return sorted(found, key=str.upper)


def find_key(registry, key):
    """The values of a key of a state's registry, looked up without regard to case."""
    wanted = key.upper()
    for name, values in registry.items():
        if name.upper() == wanted:
            return values
    return None


def pending_pairs(items):
    """PendingFileRenameOperations items as [from, to] pairs without "\\??\\"."""
    def clean(item):
        bang = item.startswith("!")
        if bang:
            item = item[1:]
        if item.startswith("\\??\\"):
            item = item[4:]
        return ("!" if bang else "") + item
    items = list(items)
    if len(items) % 2 and items and not items[-1]:
        items.pop()
    return [[clean(items[i]), clean(items[i + 1])] for i in range(0, len(items) - 1, 2)]


def _reg_data_text(type_name, data):
    """A value's data as `simhost reg set` and `reg add` take it on the command line."""
    if type_name == "REG_MULTI_SZ":
        return "|".join(data)
    if type_name in ("REG_BINARY", "REG_NONE"):
        return data.hex() if isinstance(data, (bytes, bytearray)) else data
    return str(data)


class ProgramHandle:
    """A program started inside a machine, its standard output on a pipe."""

    def __init__(self, argv, env, cwd=None):
        self._process = subprocess.Popen(argv, env=env, cwd=cwd, stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self._buffer = b""

    def read_line(self, timeout=10.0):
        """One line without its end of line, or None after timeout or at the end."""
        deadline = time.monotonic() + timeout
        fd = self._process.stdout.fileno()
        while b"\n" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([fd], [], [], left)
            if not ready:
                return None
            chunk = os.read(fd, 4096)
            if not chunk:
                if not self._buffer:
                    return None
                self._buffer += b"\n"
                break
            self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return line.rstrip(b"\r").decode("utf-8", "replace")

    def running(self):
        return self._process.poll() is None

    def wait(self, timeout=60):
        """The program's exit code; None when it is still running after timeout."""
        try:
            return self._process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self._process.poll() is None:
            self._process.kill()
        self._process.wait()
        for stream in (self._process.stdin, self._process.stdout):
            stream.close()


class Machine:
    """What a scenario may do to a machine; see the module comment for state()."""

    leg = None

    def __init__(self):
        self._programs = []

    def create(self):
        raise NotImplementedError

    def drive_c(self):
        raise NotImplementedError

    def real(self, winpath):
        return real_path(self.drive_c(), winpath)

    def write_file(self, winpath, data):
        path = self.real(winpath)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    def copy_in(self, linux_path, winpath):
        with open(linux_path, "rb") as f:
            self.write_file(winpath, f.read())
        os.chmod(self.real(winpath), 0o755)

    def read_file(self, winpath):
        with open(self.real(winpath), "rb") as f:
            return f.read()

    def exists(self, winpath):
        return os.path.lexists(self.real(winpath))

    def make_dirs(self, winpath):
        os.makedirs(self.real(winpath), exist_ok=True)

    def set_registry(self, key, name, type_name, data, view=64):
        raise NotImplementedError

    def query_registry(self, key, name, view=64):
        """[TYPE, data] of a value, or None when the key or the value is missing."""
        raise NotImplementedError

    def create_service(self, name, command_line):
        raise NotImplementedError

    def start_service(self, name):
        raise NotImplementedError

    def service_state(self, name):
        """"RUNNING", "STOPPED", ... or None for no such service."""
        raise NotImplementedError

    def add_service(self, name, program, never_stops=False):
        """Registers and starts a service running the service program at program."""
        raise NotImplementedError

    def route_statistics(self, address):
        """Sends the uninstaller's usage report to address (HOST:PORT on loopback);
        False where the back end cannot (a build's address is fixed)."""
        raise NotImplementedError

    def start_program(self, winpath, args=()):
        handle = self._start(winpath, list(args))
        self._programs.append(handle)
        return handle

    def run(self, winpath, args=(), timeout=120):
        raise NotImplementedError

    def state(self):
        raise NotImplementedError

    def restart(self):
        raise NotImplementedError

    def destroy(self):
        for handle in self._programs:
            handle.kill()
        self._programs = []


class SimMachine(Machine):
    """A simulated host in a temporary folder, driven through `simhost`."""

    leg = "sim"

    def __init__(self, simhost, arch="x64", parent_dir=None):
        super().__init__()
        self.simhost = simhost
        self.arch = arch
        self._parent = parent_dir
        self.root = None
        self.dir = None

    def _tool(self, *args, check=True, timeout=120):
        out = subprocess.run([self.simhost, args[0], self.dir] + [str(a) for a in args[1:]],
                             capture_output=True, text=True, timeout=timeout)
        if check and out.returncode != 0:
            raise MachineError("simhost %s failed: %s" % (args[0], out.stderr.strip()))
        return out

    def create(self):
        self.root = tempfile.mkdtemp(prefix="sim-scenario-", dir=self._parent)
        self.dir = os.path.join(self.root, "machine")
        self._tool("new", "--arch", self.arch)
        return self

    def drive_c(self):
        return os.path.join(self.dir, "drives", "c")

    def set_registry(self, key, name, type_name, data, view=64):
        self._tool("reg", "set", key, name, type_name, _reg_data_text(type_name, data),
                   "--view", view)

    def query_registry(self, key, name, view=64):
        out = self._tool("reg", "query", key, name, "--view", view, check=False)
        if out.returncode != 0:
            return None
        decoder = json.JSONDecoder()
        _, end = decoder.raw_decode(out.stdout)
        value, _ = decoder.raw_decode(out.stdout[end:].lstrip())
        return value

    def create_service(self, name, command_line):
        self._tool("svc", "create", name, command_line)

    def start_service(self, name):
        self._tool("svc", "start", name)

    def service_state(self, name):
        out = self._tool("svc", "query", name, check=False)
        return out.stdout.split()[1] if out.returncode == 0 else None

    def add_service(self, name, program, never_stops=False):
        # simproc stands in for the service program; the host plays its stop.
        self._tool("svc", "create", name, '"%s" sleep' % program)
        if never_stops:
            self._tool("svc", "set", name, "--never-stops")
        self.start_service(name)

    def route_statistics(self, address):
        self._tool("route", "--statistics", address)
        return True

    def _start(self, winpath, args):
        env = dict(os.environ, SIMHOST_MACHINE=self.dir)
        return ProgramHandle([self.real(winpath)] + args, env)

    def run(self, winpath, args=(), timeout=120):
        return self._tool("run", winpath, *args, check=False, timeout=timeout).returncode

    def state(self):
        dump = json.loads(self._tool("dump").stdout)
        return {
            "files": [f for f in dump["files"] if f.upper().startswith("C:\\")],
            "registry": dump["registry"],
            "services": {s["name"]: s["state"] for s in dump["services"]},
            "pending_renames": [[a, b] for a, b in dump["pending_renames"]],
        }

    def restart(self):
        for handle in self._programs:
            handle.kill()
        self._programs = []
        self._tool("reboot")

    def destroy(self):
        super().destroy()
        if self.root:
            if os.path.isdir(self.dir):
                subprocess.run([self.simhost, "reboot", self.dir], capture_output=True, timeout=60)
            wineprefix._end_processes_under(self.root)
            shutil.rmtree(self.root, ignore_errors=True)
            self.root = None


class WineMachine(Machine):
    """A private copy of the sandboxed template prefix, on one leg."""

    def __init__(self, template_prefix, leg="x64", parent_dir=None):
        super().__init__()
        if leg not in ("x64", "x86"):
            raise MachineError("a leg is x64 or x86")
        self.leg = leg
        self._template = template_prefix
        self._parent = parent_dir
        self.prefix = None

    def create(self):
        self.prefix = wineprefix.ScenarioPrefix(self._template, self._parent)
        self._keep_server()
        return self

    def _keep_server(self):
        # Wine boots the prefix (pending renames included) whenever a program starts
        # without a server: one that stays up makes restart() the only boot.
        subprocess.run([wineprefix.wineserver(), "-p"], env=self.prefix.env(), check=True,
                       timeout=60)
        self._wine("wineboot", [], timeout=300)

    def drive_c(self):
        return self.prefix.drive_c()

    def _wine(self, program, args, loader=None, timeout=120):
        argv = [loader or wineprefix.loader("x64"), program] + [str(a) for a in args]
        # Files, not pipes: the system processes a program starts keep its handles open.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run(argv, env=self.prefix.env(), cwd=self.drive_c(), stdout=out,
                                  stderr=err, stdin=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            err.seek(0)
            done.stdout, done.stderr = out.read(), err.read()
        return done

    def _tool(self, program, *args, check=True):
        # Wine's own tools are 64-bit programs on both legs: wine64 runs them.
        out = self._wine(program, args)
        # Under load Wine now and then fails to start the tool at all ("Application could
        # not be started"): the tool never ran, so it is started again.
        for _ in range(2):
            if out.returncode == 0 or b"could not be started" not in out.stdout + out.stderr:
                break
            time.sleep(1)
            out = self._wine(program, args)
        if check and out.returncode != 0:
            raise MachineError("%s %s failed (%d): %s" % (program, " ".join(args), out.returncode,
                                                          out.stdout.decode(errors="replace")))
        return out

    def set_registry(self, key, name, type_name, data, view=64):
        self._tool("reg", "add", key, "/v", name, "/t", type_name, "/d",
                   _reg_data_text(type_name, data).replace("|", "\\0"), "/f", "/reg:%d" % view)

    def query_registry(self, key, name, view=64):
        out = self._tool("reg", "query", key, "/v", name, "/reg:%d" % view, check=False)
        if out.returncode != 0:
            return None
        for line in out.stdout.decode("utf-8", "replace").splitlines():
            # "    NAME    TYPE    DATA"; names with blanks are split on the four-blank gap.
            fields = [f for f in line.strip().split("    ") if f != ""]
            if len(fields) >= 2 and fields[0].upper() == name.upper() and fields[1].startswith("REG_"):
                return [fields[1], self._query_data(fields[1], fields[2] if len(fields) > 2 else "")]
        return None

    @staticmethod
    def _query_data(type_name, text):
        if type_name in ("REG_DWORD", "REG_QWORD"):
            return int(text, 16)
        if type_name == "REG_MULTI_SZ":
            return [item for item in text.split("\\0") if item]
        if type_name in ("REG_BINARY", "REG_NONE"):
            return text.lower()
        return text

    def create_service(self, name, command_line):
        self._tool("sc", "create", name, "binPath=", command_line)

    def start_service(self, name):
        self._tool("sc", "start", name)

    def service_state(self, name):
        out = self._tool("sc", "query", name, check=False)
        for line in out.stdout.decode("utf-8", "replace").splitlines():
            fields = line.split()
            if fields[:1] == ["STATE"] and len(fields) >= 4:
                return fields[3]
        return None

    def add_service(self, name, program, never_stops=False):
        self.create_service(name, '"%s"%s' % (program, " --never-stops" if never_stops else ""))
        self.start_service(name)
        # `sc start` returns once the service has connected, which may be before
        # it reports RUNNING (a loaded machine shows START_PENDING): wait, as an
        # installer would, within the bound Windows gives a starting service.
        deadline = time.monotonic() + 30
        while self.service_state(name) != "RUNNING":
            if time.monotonic() > deadline:
                raise MachineError("service %s did not reach RUNNING: %s"
                                   % (name, self.service_state(name)))
            time.sleep(0.2)

    # Where this leg's build sends its report (config sets it); fixed at build time.
    statistics_address = None

    def route_statistics(self, address):
        return address == self.statistics_address

    def _program_loader(self):
        return wineprefix.loader(self.leg)

    def _start(self, winpath, args):
        return ProgramHandle([self._program_loader(), winpath] + args, self.prefix.env(),
                             cwd=self.drive_c())

    def run(self, winpath, args=(), timeout=120):
        return self._wine(winpath, list(args), loader=self._program_loader(),
                          timeout=timeout).returncode

    def _registry(self):
        """HKLM (both views: the 32-bit one is its Wow6432Node keys) and HKCU, as exported.

        The registry files are written only when the wineserver ends, and the next
        Wine program after that boots the prefix (carrying out pending renames), so
        the live server is asked instead.
        """
        registry = {}
        target = os.path.join(self.drive_c(), "export.reg")
        for root in ("HKLM", "HKCU"):
            self._tool("reg", "export", root, self._export_path(target), "/y", "/reg:64")
            with open(target, encoding="utf-16", errors="replace") as f:
                registry.update(regfile.parse(f.read(), ""))
            os.unlink(target)
        return registry

    def _export_path(self, target):
        # The prefix has no Z: drive: the export is written on C: and removed after reading.
        return "C:\\" + os.path.relpath(target, self.drive_c()).replace("/", "\\")

    def state(self):
        files = list_files(self.drive_c())
        registry = self._registry()
        services = {}
        root = SERVICES_KEY.upper() + "\\"
        for key, values in registry.items():
            upper = key.upper()
            if upper.startswith(root) and "\\" not in upper[len(root):] and "ImagePath" in values:
                services[key[len(root):]] = None
        running = self._running_service_names(registry)
        for name in services:
            services[name] = "RUNNING" if name.upper() in running else "STOPPED"
        pending = (find_key(registry, SESSION_MANAGER) or {}).get("PendingFileRenameOperations")
        return {
            "files": files,
            "registry": registry,
            "services": services,
            "pending_renames": pending_pairs(pending[1]) if pending else [],
        }

    def _running_service_names(self, registry):
        """Names of the running services; `net start` lists their display names."""
        out = self._tool("net", "start", check=False)
        shown = {line.strip().upper() for line in out.stdout.decode("utf-8", "replace").splitlines()
                 if line.startswith("    ")}
        root = SERVICES_KEY.upper() + "\\"
        running = set()
        for key, values in registry.items():
            upper = key.upper()
            if upper.startswith(root) and "\\" not in upper[len(root):]:
                name = key[len(root):]
                display = values.get("DisplayName", ["", name])[1]
                if isinstance(display, str) and (display.upper() in shown or name.upper() in shown):
                    running.add(name.upper())
        return running

    def restart(self):
        """Every process ends; wineboot carries out the pending renames."""
        for handle in self._programs:
            handle.kill()
        self._programs = []
        subprocess.run([wineprefix.wineserver(), "-k"], env=self.prefix.env(), timeout=60)
        self.prefix.wait_server(timeout=60)
        subprocess.run([wineprefix.wineserver(), "-p"], env=self.prefix.env(), check=True,
                       timeout=60)
        out = self._wine("wineboot", ["-r"], timeout=300)
        if out.returncode != 0:
            raise MachineError("wineboot -r failed (%d)" % out.returncode)

    def destroy(self):
        super().destroy()
        if self.prefix:
            self.prefix.close()
            self.prefix = None
