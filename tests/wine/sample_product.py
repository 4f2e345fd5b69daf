"""The sample product, installed on any machine as `simhost install-sample` does.

The manifest in resources/sample/ is read line by line; on a Wine machine the
Windows helper programs of the leg's build stand in for the Linux ones (winproc
as the application, winsvc as the service program, the leg's tool-set
extensions), and the user's folder is the prefix's own.
"""

import os
import subprocess
import tempfile
import time

import config

SAMPLE_DIR = os.path.join(config.ROOT, "resources", "sample")
PRODUCT_DIR = "C:\\Program Files\\Sample Product"
UNINSTALLER = PRODUCT_DIR + "\\uninst.exe"
APP = PRODUCT_DIR + "\\SampleApp.exe"
SERVICE = "SampleProductService"
MANIFEST_USER = "C:\\Users\\User\\"


class ManifestError(Exception):
    pass


def user_folder(machine):
    """The user's profile folder of a machine: the simulated host's is fixed, Wine's
    is named after the Linux user."""
    if machine.leg == "sim":
        return MANIFEST_USER
    users = machine.real("C:\\Users")
    names = [n for n in os.listdir(users) if n.lower() not in ("public", "default")]
    if len(names) != 1:
        raise ManifestError("no one user folder under C:\\users: %s" % names)
    return "C:\\users\\" + sorted(names)[0] + "\\"


def entries(manifest_text):
    """(line number, fields) of each entry of a manifest, comments and blanks left out."""
    for number, line in enumerate(manifest_text.splitlines(), 1):
        if line and not line.startswith("#"):
            yield number, line.split("|")


def service_programs(manifest_text):
    """The upper-cased program paths that the manifest's services run."""
    found = set()
    for _, f in entries(manifest_text):
        if f[0] == "service" and len(f) == 5:
            found.add(program_of(f[3]).upper())
    return found


def program_of(command_line):
    """The program of a command line: quoted, or up to the first blank."""
    text = command_line.strip()
    if text.startswith('"'):
        end = text.find('"', 1)
        if end < 0:
            raise ManifestError("unbalanced quote: " + command_line)
        return text[1:end]
    return text.split(" ", 1)[0]


def _pack(machine, xml_path, winpath):
    with tempfile.TemporaryDirectory() as work:
        dat = os.path.join(work, "c.dat")
        subprocess.run([config.tool("cfgtool"), "pack", xml_path, dat], check=True,
                       capture_output=True)
        machine.copy_in(dat, winpath)


def _copy_tree(machine, source, winpath):
    for root, _, files in os.walk(source):
        rel = os.path.relpath(root, source)
        target = winpath if rel == "." else winpath + "\\" + rel.replace("/", "\\")
        machine.make_dirs(target)
        for name in files:
            with open(os.path.join(root, name), "rb") as f:
                machine.write_file(target + "\\" + name, f.read())


def install_sample(machine, sample_dir=SAMPLE_DIR):
    """Puts the sample product on machine; returns the manifest's Windows paths as
    they landed (the user's folder adapted), for the caller's checks."""
    leg = machine.leg
    with open(os.path.join(sample_dir, "product.manifest"), encoding="utf-8") as f:
        text = f.read()
    user = user_folder(machine)
    services = service_programs(text)

    def here(path):
        if path.upper().startswith(MANIFEST_USER.upper()):
            return user + path[len(MANIFEST_USER):]
        return path

    placed = []
    for number, f in entries(text):
        kind = f[0]
        try:
            if kind == "dir" and len(f) == 2:
                machine.make_dirs(here(f[1]))
            elif kind in ("file", "readonly") and len(f) == 3:
                machine.write_file(here(f[1]), (f[2] + "\r\n").encode("utf-8"))
                # Both back ends store the read-only attribute as a missing write bit.
                os.chmod(machine.real(here(f[1])), 0o444 if kind == "readonly" else 0o644)
            elif kind == "program" and len(f) == 2:
                role = "svc" if f[1].upper() in services else "proc"
                machine.copy_in(config.helper(leg, role), here(f[1]))
            elif kind == "extension" and len(f) == 2:
                source = config.helper(leg, "ext64" if f[1].upper().endswith("64.EXE") else "ext32")
                if not os.path.exists(source) and leg == "x64":
                    # Without the 32-bit build: a 64-bit system runs only the 64-bit one anyway.
                    source = config.helper(leg, "ext64")
                machine.copy_in(source, here(f[1]))
            elif kind == "uninstaller" and len(f) == 2:
                machine.copy_in(config.uninstaller(leg), here(f[1]))
            elif kind == "config" and len(f) == 3:
                _pack(machine, os.path.join(sample_dir, f[1]), here(f[2]))
            elif kind == "tree" and len(f) == 3:
                _copy_tree(machine, os.path.join(sample_dir, *f[1].split("\\")), here(f[2]))
            elif kind == "reg" and len(f) == 6:
                data = f[5]
                if data == "@installtime":
                    data = str(int(time.time()) - 3 * 86400)
                machine.set_registry(f[2], f[3], f[4], data, view=int(f[1]))
                continue
            elif kind == "service" and len(f) == 5:
                # The service program plays its own stop; the manifest's stop time is the
                # simulated host's stand-in for it.
                machine.add_service(f[1], program_of(f[3]))
                continue
            else:
                raise ManifestError("unknown entry")
        except (OSError, subprocess.CalledProcessError) as error:
            raise ManifestError("product.manifest line %d failed (%s): %s"
                                % (number, error, "|".join(f)))
        placed.append(here(f[1] if kind not in ("config", "tree") else f[2]))
    return placed


def start_app(machine, window_class="SampleProductMainWindow"):
    """The product's main program with its main window, closing on WM_CLOSE (16)."""
    return machine.start_program(APP, ["window", window_class, "Sample Product", "quit-on", "16"])
