#!/usr/bin/env python3
"""Shows that check_pe.py refuses what it must: copies of a good uninst.exe
with one fault each (an older header version, an import of a function newer
than Windows 7 SP1, of an API-set DLL) must fail, the good one must pass.

Usage: check_pe_test.py EXE      exit 1 when the check lets a fault through
"""

import os
import subprocess
import sys
import tempfile

import check_pe


def run_check(path):
    result = subprocess.run([sys.executable, "-B", os.path.join(os.path.dirname(__file__), "check_pe.py"), path],
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
            while pe.u32(entry):
                thunk = pe.u32(entry)
                if not thunk & 0x80000000 and pe.cstring(thunk + 2) == function:
                    return pe.offset(thunk + 2)
                entry += 4
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


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(argv[1], "rb") as f:
        good = f.read()
    pe = check_pe.Pe(good)
    optional = pe.u32(0x3C) + 24
    name = import_name_offset(pe, "kernel32.dll", "LoadLibraryExW")  # 14 characters
    faults = {
        "OS version 5.1": patched(good, optional + 40, b"\x05\x00\x01\x00"),
        "subsystem version 6.0": patched(good, optional + 48, b"\x06\x00\x00\x00"),
        "imports CreateFile2": patched(good, name, b"CreateFile2\0"),
        "imports WaitOnAddress": patched(good, name, b"WaitOnAddress\0"),
        "imports an API set": patched(good, dll_name_offset(pe, "kernel32.dll"),
                                      b"api-ms-win-c\0"),
    }
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        code, output = run_check(argv[1])
        if code != 0:
            print("the good program fails the check:\n" + output, file=sys.stderr)
            failures += 1
        for what, data in faults.items():
            path = os.path.join(folder, "fault.exe")
            with open(path, "wb") as f:
                f.write(data)
            code, output = run_check(path)
            if code == 0:
                print("check_pe.py accepts a program that %s" % what, file=sys.stderr)
                failures += 1
    if not failures:
        print("check_pe.py refuses all %d faults" % len(faults))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
