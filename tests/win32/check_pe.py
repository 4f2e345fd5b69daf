#!/usr/bin/env python3
"""Checks the cross-built uninst.exe without running it: a 32-bit x86 GUI
program for Windows 7 SP1 and later (OS and subsystem version 6.1 in its
header, no import of a function that Windows 7 SP1 lacks), importing system
DLLs only (the compiler's runtime and zlib are linked in), with the resources
Windows looks for: a manifest that asks for elevation, the icon with id 200
and the version information. With --arch x64 the same checks hold for the
64-bit test build, a PE32+ x86-64 program.

Usage: check_pe.py [--arch x86|x64] EXE
       prints what it found; exit 1 on the first failure
"""

import re
import struct
import sys

# DLLs every Windows from 7 on has in its system folder.
SYSTEM_DLLS = {
    "advapi32.dll", "bcrypt.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",
    "gdiplus.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
    "oleaut32.dll", "psapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
    "userenv.dll", "uxtheme.dll", "version.dll", "winhttp.dll", "wtsapi32.dll",
}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24

# What each build must be: (machine, optional header magic, its name, the
# manifest's own processorArchitecture besides "*").
ARCHITECTURES = {
    "x86": (0x14C, 0x10B, "a PE32 i386", "x86"),
    "x64": (0x8664, 0x20B, "a PE32+ x86-64", "amd64"),
}
PE32, PE32_PLUS = 0x10B, 0x20B

# The oldest system supported: Windows 7 SP1, NT 6.1.
OLDEST_WINDOWS = (6, 1)

# Functions a program (or the compiler's runtime) might import that Windows 7
# SP1 does not have: it would not start there. Looked up at run time, with a
# fallback, they are fine. The DLL sets below exist only on later systems.
NEWER_THAN_WINDOWS_7 = {
    # kernel32: the library search (KB2533623 only), time, files, threads
    "SetDefaultDllDirectories", "AddDllDirectory", "RemoveDllDirectory",
    "GetSystemTimePreciseAsFileTime", "CreateFile2", "CopyFile2",
    "InitializeSynchronizationBarrier", "EnterSynchronizationBarrier",
    "DeleteSynchronizationBarrier", "WaitOnAddress", "WakeByAddressSingle",
    "WakeByAddressAll", "SetThreadDescription", "GetThreadDescription",
    "GetCurrentThreadStackLimits", "GetCurrentPackageFullName", "GetCurrentPackageId",
    "GetCurrentPackageFamilyName", "GetPackageFamilyName", "CreateFileMappingFromApp",
    "MapViewOfFileFromApp", "VirtualAlloc2", "GetOverlappedResultEx", "PrefetchVirtualMemory",
    "DiscardVirtualMemory", "OfferVirtualMemory", "ReclaimVirtualMemory",
    "GetProcessMitigationPolicy", "SetProcessMitigationPolicy", "GetFirmwareType",
    "IsWow64Process2", "GetSystemFirmwareTable2", "QueryInterruptTime",
    "QueryInterruptTimePrecise", "QueryUnbiasedInterruptTimePrecise",
    "CreateRemoteThreadEx2", "SetProcessInformation", "GetProcessInformation",
    "SetThreadInformation", "GetThreadInformation", "GetProcessDefaultCpuSets",
    "GetSystemCpuSetInformation", "LoadPackagedLibrary",
    # path helpers of api-ms-win-core-path (Windows 8)
    "PathCchCombine", "PathCchCombineEx", "PathCchAppend", "PathCchAppendEx",
    "PathCchCanonicalize", "PathCchCanonicalizeEx", "PathAllocCombine",
    "PathAllocCanonicalize", "PathCchRemoveFileSpec", "PathCchFindExtension",
    # DPI (Windows 8.1 and 10)
    "SetProcessDpiAwareness", "GetProcessDpiAwareness", "GetDpiForMonitor",
    "GetDpiForWindow", "GetDpiForSystem", "SetProcessDpiAwarenessContext",
    "SetThreadDpiAwarenessContext", "GetThreadDpiAwarenessContext",
    "AdjustWindowRectExForDpi", "GetSystemMetricsForDpi", "EnableNonClientDpiScaling",
    "SystemParametersInfoForDpi", "GetAwarenessFromDpiAwarenessContext",
    # Windows Runtime, WinHTTP web sockets, newer BCrypt
    "RoInitialize", "RoUninitialize", "WindowsCreateString", "WinHttpWebSocketCompleteUpgrade",
    "BCryptKeyDerivation", "BCryptHash", "BCryptCreateMultiHash",
}
NEWER_DLL_PREFIXES = ("api-ms-win-", "ext-ms-win-")
NEWER_DLLS = {"shcore.dll", "combase.dll", "ucrtbase.dll", "vcruntime140.dll",
              "pathcch.dll", "api-ms-win-core-path-l1-1-0.dll"}


class PeError(Exception):
    pass


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = self.u16(optional)
        if self.magic not in (PE32, PE32_PLUS):
            raise PeError("neither a PE32 nor a PE32+ image: optional header magic 0x%x" % self.magic)
        self.subsystem = self.u16(optional + 68)
        self.os_version = (self.u16(optional + 40), self.u16(optional + 42))
        self.subsystem_version = (self.u16(optional + 48), self.u16(optional + 50))
        # PE32+ has 8-byte stack and heap sizes, and so its directories start later.
        wide = self.magic == PE32_PLUS
        self.thunk_size = 8 if wide else 4
        directories = self.u32(optional + (108 if wide else 92))
        first = optional + (112 if wide else 96)
        self.directory = [struct.unpack_from("<II", data, first + 8 * i)
                          for i in range(min(directories, 16))]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, va, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((va, max(vsize, raw_size), raw))

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def thunk(self, offset):
        """An import lookup entry: (by ordinal, ordinal or name address)."""
        if self.thunk_size == 8:
            value = struct.unpack_from("<Q", self.data, offset)[0]
            return bool(value >> 63), value & 0x7FFFFFFF, value
        value = self.u32(offset)
        return bool(value >> 31), value & 0x7FFFFFFF, value

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise PeError("address 0x%x is in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        return [dll for dll, _ in self.imported_functions()]

    def imported_functions(self):
        """[(dll, [function names, or "#ordinal"])] in the import table's order."""
        rva, size = self.directory[1]
        found = []
        if not rva:
            return found
        at = self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, at)
            if descriptor == (0, 0, 0, 0, 0):
                return found
            lookup = descriptor[0] or descriptor[4]  # names, else the address table
            functions = []
            entry = self.offset(lookup) if lookup else None
            while entry is not None:
                by_ordinal, target, whole = self.thunk(entry)
                if whole == 0:
                    break
                if by_ordinal:
                    functions.append("#%d" % (target & 0xFFFF))
                else:
                    functions.append(self.cstring(target + 2))  # after the 2-byte hint
                entry += self.thunk_size
            found.append((self.cstring(descriptor[3]), functions))
            at += 20

    def resources(self):
        """{(type, id): bytes} for every resource named by number."""
        rva, _ = self.directory[2]
        if not rva:
            return {}
        base = self.offset(rva)
        found = {}

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                yield name, target

        for type_id, type_dir in entries(0):
            if type_id & 0x80000000 or not type_dir & 0x80000000:
                continue
            for res_id, id_dir in entries(type_dir & 0x7FFFFFFF):
                if res_id & 0x80000000 or not id_dir & 0x80000000:
                    continue
                for _, leaf in entries(id_dir & 0x7FFFFFFF):  # one per language
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(data_rva)
                    found[(type_id, res_id)] = self.data[start:start + size]
        return found


def check(path, arch="x86"):
    machine, magic, name, own_architecture = ARCHITECTURES[arch]
    with open(path, "rb") as f:
        pe = Pe(f.read())
    if pe.magic != magic or pe.machine != machine:
        raise PeError("machine 0x%x with optional header magic 0x%x, not %s image"
                      % (pe.machine, pe.magic, name))
    print("image: %s" % name[2:])
    if pe.subsystem != 2:
        raise PeError("subsystem %d, not the GUI (2)" % pe.subsystem)

    for what, version in (("OS", pe.os_version), ("subsystem", pe.subsystem_version)):
        if version != OLDEST_WINDOWS:
            raise PeError("%s version %d.%d in the header, not %d.%d (Windows 7)"
                          % ((what,) + version + OLDEST_WINDOWS))
    print("OS and subsystem version: %d.%d" % OLDEST_WINDOWS)

    imported = pe.imported_functions()
    dlls = [dll for dll, _ in imported]
    print("imports: " + " ".join(dlls))
    newer = [d for d in dlls if d.lower().startswith(NEWER_DLL_PREFIXES) or d.lower() in NEWER_DLLS]
    if newer:
        raise PeError("imports DLLs that Windows 7 SP1 does not have: " + ", ".join(newer))
    foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
    if foreign:
        raise PeError("imports DLLs that are not the system's: " + ", ".join(foreign))
    too_new = ["%s!%s" % (dll, f) for dll, functions in imported for f in functions
               if f in NEWER_THAN_WINDOWS_7]
    if too_new:
        raise PeError("imports functions newer than Windows 7 SP1: " + ", ".join(too_new))
    print("imported functions: %d, none newer than Windows 7 SP1"
          % sum(len(functions) for _, functions in imported))

    resources = pe.resources()
    manifest = resources.get((RT_MANIFEST, 1))
    if manifest is None:
        raise PeError("no manifest (RT_MANIFEST 1)")
    text = manifest.decode("utf-8", "replace")
    for needle in ('level="requireAdministrator"', 'uiAccess="false"', "supportedOS Id="):
        if needle not in text:
            raise PeError("the manifest lacks " + needle)
    # A manifest of the other architecture stops the program from starting
    # (its common controls cannot be found).
    for value in re.findall(r'processorArchitecture\s*=\s*"([^"]*)"', text):
        if value not in ("*", own_architecture):
            raise PeError('the manifest names processorArchitecture="%s" in %s program'
                          % (value, name))

    group = resources.get((RT_GROUP_ICON, 200))
    if group is None:
        raise PeError("no icon group with id 200")
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    if reserved != 0 or kind != 1 or count == 0 or len(group) < 6 + 14 * count:
        raise PeError("icon group 200 is malformed")
    for i in range(count):
        width, height, _, _, _, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        icon = resources.get((RT_ICON, icon_id))
        if icon is None or len(icon) != size:
            raise PeError("icon group 200 names icon %d, which is missing or of another size" % icon_id)
        print("icon 200: %dx%d, %d bits" % (width or 256, height or 256, bits))

    version = resources.get((RT_VERSION, 1))
    if version is None:
        raise PeError("no version information (RT_VERSION 1)")
    fixed = version.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        raise PeError("the version information has no fixed part")
    product_ms, product_ls = struct.unpack_from("<II", version, fixed + 16)
    product = (product_ms >> 16, product_ms & 0xFFFF, product_ls >> 16, product_ls & 0xFFFF)
    if product != (1, 0, 0, 0):
        raise PeError("product version %s, not 1.0.0.0" % ".".join(map(str, product)))
    strings = version.decode("utf-16-le", "replace")
    for key, value in (("FileDescription", "Uninstaller"), ("ProductVersion", "1.0.0.0")):
        at = strings.find(key + "\0")
        if at < 0 or value not in strings[at:at + len(key) + 8 + len(value)]:
            raise PeError("the version information lacks %s %r" % (key, value))
    print("version: 1.0.0.0, manifest: requireAdministrator")


def parse_arguments(argv):
    """(arch, path), or None when the arguments are not understood."""
    arch = "x86"
    args = argv[1:]
    if len(args) == 3 and args[0] == "--arch" and args[1] in ARCHITECTURES:
        arch, args = args[1], args[2:]
    if len(args) != 1 or args[0].startswith("--"):
        return None
    return arch, args[0]


def main(argv):
    parsed = parse_arguments(argv)
    if parsed is None:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    arch, path = parsed
    try:
        check(path, arch)
    except (PeError, struct.error, ValueError, OSError) as error:
        print("%s: %s" % (path, error), file=sys.stderr)
        return 1
    print("%s: ok" % path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
