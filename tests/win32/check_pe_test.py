#!/usr/bin/env python3
"""Shows that check_pe.py refuses what it must: copies of a good uninst.exe
with one fault each (an older header version, an import of a function newer
than Windows 7 SP1, of an API-set DLL, the other architecture's machine, a
manifest for the other architecture) must fail, the good one must pass, and
the good one must fail when checked as the other architecture.

Usage: check_pe_test.py [--arch x86|x64] EXE
       exit 1 when the check lets a fault through
"""

import os
import subprocess
import sys
import tempfile

import check_pe


def run_check(path, arch):
    result = subprocess.run([sys.executable, "-B", os.path.join(os.path.dirname(__file__), "check_pe.py"),
                             "--arch", arch, path],
                            capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def patched(data, offset, new):
    return data[:offset] + new + data[offset + len(new):]


def import_name_offset(pe, dll_wanted, function):
    """File offset of an imported function's name."""
    rva, _ = pe.directory[1]
    at = pe.offset(rva)
    while True:
        descriptor = check_pe.struct.unpack_from("<IIIII", pe.data, at)
        if descriptor == (0, 0, 0, 0, 0):
            raise KeyError(function)
        entry = pe.offset(descriptor[0] or descriptor[4])
        if pe.cstring(descriptor[3]).lower() == dll_wanted:
            while True:
                by_ordinal, target, whole = pe.thunk(entry)
                if not whole:
                    break
                if not by_ordinal and pe.cstring(target + 2) == function:
                    return pe.offset(target + 2)
                entry += pe.thunk_size
        at += 20


def dll_name_offset(pe, dll_wanted):
    rva, _ = pe.directory[1]
    at = pe.offset(rva)
    while True:
        descriptor = check_pe.struct.unpack_from("<IIIII", pe.data, at)
        if descriptor == (0, 0, 0, 0, 0):
            raise KeyError(dll_wanted)
        if pe.cstring(descriptor[3]).lower() == dll_wanted:
            return pe.offset(descriptor[3])
        at += 20


def other_manifest(data, arch):
    """The program with its manifest's first processorArchitecture naming the
    other architecture, same length (the XML need not stay well formed)."""
    good = b'processorArchitecture="*"/>'
    at = data.find(good)
    if at < 0:
        raise KeyError("processorArchitecture")
    other = b'processorArchitecture="x86"' if arch == "x64" else b'processorArchitecture="ia64'
    return patched(data, at, other[:len(good)])


def main(argv):
    parsed = check_pe.parse_arguments(argv)
    if parsed is None:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    arch, path = parsed
    other_arch = "x86" if arch == "x64" else "x64"
    with open(path, "rb") as f:
        good = f.read()
    pe = check_pe.Pe(good)
    machine_at = pe.u32(0x3C) + 4
    optional = pe.u32(0x3C) + 24
    name = import_name_offset(pe, "kernel32.dll", "LoadLibraryExW")  # 14 characters
    other_machine = check_pe.ARCHITECTURES[other_arch][0]
    faults = {
        "OS version 5.1": patched(good, optional + 40, b"\x05\x00\x01\x00"),
        "subsystem version 6.0": patched(good, optional + 48, b"\x06\x00\x00\x00"),
        "imports CreateFile2": patched(good, name, b"CreateFile2\0"),
        "imports WaitOnAddress": patched(good, name, b"WaitOnAddress\0"),
        "imports an API set": patched(good, dll_name_offset(pe, "kernel32.dll"),
                                      b"api-ms-win-c\0"),
        "is for another machine": patched(good, machine_at, check_pe.struct.pack("<H", other_machine)),
        "has a manifest for another architecture": other_manifest(good, arch),
    }
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        code, output = run_check(path, arch)
        if code != 0:
            print("the good program fails the check:\n" + output, file=sys.stderr)
            failures += 1
        code, output = run_check(path, other_arch)
        if code == 0:
            print("check_pe.py accepts the %s program as %s" % (arch, other_arch), file=sys.stderr)
            failures += 1
        for what, data in faults.items():
            fault = os.path.join(folder, "fault.exe")
            with open(fault, "wb") as f:
                f.write(data)
            code, output = run_check(fault, arch)
            if code == 0:
                print("check_pe.py accepts a program that %s" % what, file=sys.stderr)
                failures += 1
    if not failures:
        print("check_pe.py refuses all %d faults and the other architecture" % len(faults))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
