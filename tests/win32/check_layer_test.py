#!/usr/bin/env python3
"""Tests of check_layer.py: it must notice every kind of disagreement between
the simulated host's declarations and the Windows headers, and no more.

Usage: check_layer_test.py REPO MINGW_CXX
"""

import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import check_layer  # noqa: E402

REPO = None
CXX = None

# A header of the simulated host's kind with declarations that agree with
# Windows (names ending up in GOOD) and ones that do not (BAD).
EXTRA_HEADER = r"""
// Test declarations.
#pragma once

#include "platform/types.h"

#if defined(_WIN32)
#define LAYER_WINDOWS_SIDE_ONLY 1
#else

#define ERROR_BAD_PATHNAME 161L
#define ERROR_DISK_TOO_FRAGMENTED 303L
#define ERROR_LAYER_INVENTED 9999L
enum : DWORD { ERROR_NOT_LOCKED = 159L, ERROR_SIGNAL_REFUSED = 156L };
constexpr DWORD ERROR_BUSY_DRIVE = 142;

typedef LONG* LPLONG;
typedef HANDLE HLAYERINVENTED;

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom2;
};

struct IClassFactory : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid,
                                                   void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(DWORD lock) = 0;
};

BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access,
                 LPFILETIME write);
DWORD GetFileType(HANDLE file, DWORD extra);
[[nodiscard]] BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size = nullptr) noexcept;
BOOL DeleteVolumeMountPointW(LPCWSTR mount_point);

#endif  // _WIN32
"""

GOOD = {"ERROR_BAD_PATHNAME", "ERROR_SIGNAL_REFUSED", "ERROR_BUSY_DRIVE", "LPLONG", "left",
        "top", "right", "CreateInstance", "GetFileTime", "GetFileSizeEx",
        "DeleteVolumeMountPointW"}
BAD = {"ERROR_DISK_TOO_FRAGMENTED", "ERROR_LAYER_INVENTED", "ERROR_NOT_LOCKED",
       "HLAYERINVENTED", "bottom2", "LockServer", "GetFileType"}


def copy_layer(into):
    for sub in ("platform", "platform/win32", "tests/win32"):
        (into / sub).mkdir(parents=True, exist_ok=True)
    for header in (REPO / "platform").glob("*.h"):
        shutil.copy(header, into / "platform" / header.name)
    for header in (REPO / "platform/win32").glob("*.h"):
        shutil.copy(header, into / "platform/win32" / header.name)
    shutil.copy(REPO / "tests/win32/api_probe.cpp", into / "tests/win32/api_probe.cpp")


def run_checker(repo):
    out = repo / "out" / "conformance.cpp"
    result = subprocess.run([sys.executable, str(HERE / "check_layer.py"), str(repo), str(out)],
                            capture_output=True, text=True)
    return result, out


def compile_for_windows(source, include):
    return subprocess.run([CXX, "-std=c++20", "-fsyntax-only", "-municode", "-DUNICODE",
                           "-D_UNICODE", "-DNOMINMAX", f"-I{include}", "-Wall", "-Wextra",
                           "-Werror", "-fmax-errors=0", str(source)],
                          capture_output=True, text=True)


class ParserTest(unittest.TestCase):
    def parse(self, text):
        with tempfile.TemporaryDirectory() as tmp:
            path = pathlib.Path(tmp) / "x.h"
            path.write_text(text)
            layer = check_layer.Layer()
            check_layer.parse_header(path, layer)
            return layer

    def test_only_the_host_side_is_read(self):
        layer = self.parse(EXTRA_HEADER)
        names = {m[0] for m in layer.macros}
        self.assertIn("ERROR_LAYER_INVENTED", names)
        self.assertNotIn("LAYER_WINDOWS_SIDE_ONLY", names)

    def test_not_defined_form_and_nested_conditions(self):
        layer = self.parse("#if !defined(_WIN32)\n#define A 1\n#ifndef X\n#define B 2\n#endif\n"
                           "#else\n#define C 3\n#endif\n#ifdef _WIN32\n#define D 4\n#endif\n")
        self.assertEqual([m[0] for m in layer.macros], ["A", "B"])

    def test_declarations_spanning_lines_and_bodies(self):
        layer = self.parse("#if !defined(_WIN32)\n"
                           "inline int Twice(int x) {\n  return 2 * x;\n}\n"
                           "#define AFTER_BODY 1\n"
                           "HANDLE CreateThing(LPCWSTR name,\n                   DWORD flags);\n"
                           "struct S {\n  DWORD a;\n  WCHAR name[MAX_PATH];\n  struct {\n"
                           "    int x;\n  } inner;\n};\n"
                           "typedef LRESULT(CALLBACK* PROC)(HWND, UINT);\n"
                           "#endif\n")
        self.assertEqual([m[0] for m in layer.macros], ["AFTER_BODY"])
        self.assertEqual([f[0] for f in layer.functions], ["CreateThing"])
        self.assertEqual(layer.functions[0][2], "LPCWSTR name, DWORD flags")
        self.assertEqual([f[0] for f in layer.inline_functions], ["Twice"])
        self.assertEqual([(s, f) for s, f, _ in layer.fields],
                         [("S", "a"), ("S", "name"), ("S", "inner")])
        self.assertIn("PROC", [t[0] for t in layer.types])

    def test_the_less_usual_spellings(self):
        layer = self.parse("#if !defined(_WIN32)\n"
                           "#define LONG_ONE \\\n  0x10\n"
                           "enum Mode : DWORD { MODE_A = 1, MODE_B };\n"
                           "constexpr DWORD LIMIT = 4;\n"
                           "[[nodiscard]] DWORD WINAPI Get(HANDLE h, DWORD flags = 0) noexcept;\n"
                           "using Callback = void (*)(int);\n"
                           "template <class T> T Twice(T x);\n"
                           "struct Holder {\n  HRESULT Init(HINSTANCE i) {\n    x = i;\n"
                           "    return S_OK;\n  }\n\n private:\n  HINSTANCE x = nullptr;\n"
                           "  static constexpr int kMax = 3;\n};\n"
                           "#endif\n")
        self.assertEqual([m[:3] for m in layer.macros], [("LONG_ONE", None, "0x10")])
        self.assertEqual([e[:2] for e in layer.enumerators],
                         [("MODE_A", "1"), ("MODE_B", None), ("LIMIT", "4")])
        self.assertEqual([f[:3] for f in layer.functions],
                         [("Get", "DWORD", "HANDLE h, DWORD flags")])
        self.assertEqual({t[0] for t in layer.types}, {"Mode", "Callback", "Holder"})
        self.assertEqual([(s, f) for s, f, _ in layer.fields], [("Holder", "x")])
        self.assertEqual(len(layer.unread), 1)
        self.assertTrue(layer.unread[0][0].startswith("template"))

    def test_text_types(self):
        for params in ("LPCWSTR a", "LPWSTR b", "PCWSTR c", "BSTR d", "const WCHAR* e",
                       "OLECHAR* f", "LPWSTR* g"):
            self.assertTrue(check_layer.TEXT_TYPES.search(params), params)
        for params in ("LPCSTR a", "DWORD b", "LPWIN32_FIND_DATAW c", "WCHAR d"):
            self.assertFalse(check_layer.TEXT_TYPES.search(params), params)


class WindowsHeadersTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.repo = pathlib.Path(self.tmp.name)
        copy_layer(self.repo)

    def tearDown(self):
        self.tmp.cleanup()

    def test_the_layer_as_it_is_passes(self):
        result, out = run_checker(self.repo)
        self.assertEqual(result.returncode, 0, result.stderr)
        compiled = compile_for_windows(out, self.repo)
        self.assertEqual(compiled.returncode, 0, compiled.stderr[:4000])

    def test_each_disagreement_is_reported_and_nothing_else(self):
        (self.repo / "platform" / "zz_extra.h").write_text(EXTRA_HEADER)
        result, out = run_checker(self.repo)
        # The text function without a char16_t overload or a probe call.
        self.assertEqual(result.returncode, 1)
        self.assertIn("DeleteVolumeMountPointW takes UTF-16 text but platform/win32/ has no "
                      "char16_t overload", result.stderr)
        self.assertIn("DeleteVolumeMountPointW is not called by", result.stderr)

        compiled = compile_for_windows(out, self.repo)
        self.assertNotEqual(compiled.returncode, 0)
        lines = out.read_text().splitlines()
        failing = set()
        for number in re.findall(r"conformance\.cpp:(\d+):\d+: error:", compiled.stderr):
            failing.add(lines[int(number) - 1])
        named = set()
        for name in GOOD | BAD:
            if any(re.search(r"\b" + name + r"\b", line) for line in failing):
                named.add(name)
        self.assertEqual(named, BAD, compiled.stderr[:4000])
        self.assertFalse(any("zz_extra.h" not in line for line in failing),
                         "errors outside the test header:\n" + "\n".join(failing))

    def test_a_text_function_missing_from_the_probe_is_reported(self):
        layer = check_layer.Layer()
        for header in sorted((self.repo / "platform").glob("*.h")):
            check_layer.parse_header(header, layer)
        text_functions = [f[0] for f in layer.functions
                          if check_layer.TEXT_TYPES.search(f[2])]
        self.assertTrue(text_functions)
        name = text_functions[0]
        probe = self.repo / "tests/win32/api_probe.cpp"
        probe.write_text(re.sub(r"\b" + name + r"\s*\(", name + "_gone(", probe.read_text()))
        result, _ = run_checker(self.repo)
        self.assertEqual(result.returncode, 1)
        self.assertIn(f"{name} is not called by tests/win32/api_probe.cpp", result.stderr)

    def test_a_missing_overload_is_reported(self):
        header = self.repo / "platform/win32/win32_api.h"
        text = header.read_text()
        gutted = re.sub(r"inline BOOL DeleteFileW\(", "inline BOOL DeleteFileGone(", text)
        self.assertNotEqual(gutted, text)
        header.write_text(gutted)
        result, _ = run_checker(self.repo)
        self.assertEqual(result.returncode, 1)
        self.assertIn("DeleteFileW takes UTF-16 text but platform/win32/ has no char16_t "
                      "overload", result.stderr)


def main():
    global REPO, CXX
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    REPO = pathlib.Path(sys.argv[1]).resolve()
    CXX = sys.argv[2]
    runner = unittest.TextTestRunner(stream=sys.stdout, verbosity=1)
    program = unittest.main(argv=[sys.argv[0]], exit=False, testRunner=runner)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
