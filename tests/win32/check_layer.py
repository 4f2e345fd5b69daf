#!/usr/bin/env python3
"""Checks the platform layer's headers against the real Windows API.

The simulated host declares its own copy of every Windows name the program
uses (platform/*.h, the parts outside `#if defined(_WIN32)`). This script
reads those declarations and

  1. writes a C++ file that, compiled against the Windows headers, asserts for
     each of them that Windows has it and agrees: constants have the same value,
     functions and COM methods the same signature, structures the same fields;
  2. makes sure that every function taking UTF-16 text has a char16_t overload
     in platform/win32/ and is called by tests/win32/api_probe.cpp.

Usage: check_layer.py REPO OUT_CPP   (exit 1 when (2) finds a gap)
"""

import pathlib
import re
import sys

# Windows text pointer types: a function that takes one needs a char16_t overload.
TEXT_TYPES = re.compile(r"\b(LPC?WSTR|PC?WSTR|LPC?WCH|PC?WCH|BSTR|LPC?OLESTR)\b|\b(const\s+)?(WCHAR|OLECHAR)\s*\*")

# Names that are keywords or calling conventions rather than values.
SPELLING_MACROS = {"WINAPI", "CALLBACK", "CONST", "STDMETHODCALLTYPE", "REFIID", "REFCLSID"}

# The layer's own helpers, defined on both sides (platform/types.h).
LAYER_HELPERS = {"AsU16", "AsWide"}

# Known, deliberate differences, each with its reason. Keep this short.
SIGNATURE_EXCEPTIONS = {
    "CreateWindowExW": "the host has no menus, so its menu parameter is a plain void*",
    "RtlGetNtVersionNumbers": "undocumented, in no Windows header; reached by GetProcAddress",
    "_beginthreadex": "a C run-time function: __cdecl where the API's functions are WINAPI",
}

# The simulated host's own functions in a layer header (SimRegisterEntryPoint ...).
HOST_ONLY = re.compile(r"^Sim[A-Z]")


def sim_lines(text):
    """Yields the lines that only the simulated host compiles."""
    stack = []  # per open #if: None (neutral), True (Windows side), False (host side)
    for line in text.splitlines():
        s = line.strip()
        m = re.match(r"#\s*(if|ifdef|ifndef|elif|else|endif)\b(.*)", s)
        if m:
            kind, rest = m.group(1), m.group(2).strip()
            if kind in ("if", "ifdef", "ifndef"):
                win = None
                if kind == "if" and re.fullmatch(r"defined\s*\(?\s*_WIN32\s*\)?", rest):
                    win = True
                elif kind == "if" and re.fullmatch(r"!\s*defined\s*\(?\s*_WIN32\s*\)?", rest):
                    win = False
                elif kind == "ifdef" and rest == "_WIN32":
                    win = True
                elif kind == "ifndef" and rest == "_WIN32":
                    win = False
                stack.append(win)
            elif kind in ("else", "elif"):
                if stack and stack[-1] is not None:
                    stack[-1] = not stack[-1]
            elif kind == "endif":
                if stack:
                    stack.pop()
            continue
        if any(w is False for w in stack) and not any(w is True for w in stack):
            yield line


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


class Layer:
    def __init__(self):
        self.macros = []      # (name, params or None, value, header)
        self.functions = []   # (name, return type, params, header)
        self.inline_functions = []  # (name, params, header): macros or inline on Windows
        self.types = []       # (name, header)
        self.fields = []      # (struct, field, header)
        self.methods = []     # (struct, name, return type, params, header)
        self.enumerators = []  # (name, value or None, header): enumerators and constants
        self.unread = []      # (declaration, header) that this script does not understand


def parse_header(path, layer):
    header = path.name
    text = strip_comments(path.read_text()).replace("\\\n", " ")
    lines = list(sim_lines(text))
    i = 0
    while i < len(lines):
        line = lines[i]
        s = line.strip()
        if not s:
            i += 1
            continue
        m = re.match(r"#\s*define\s+(\w+)(\([^)]*\))?\s*(.*)$", s)
        if m:
            params = m.group(2)
            layer.macros.append((m.group(1), params[1:-1] if params else None,
                                 m.group(3).strip(), header))
            i += 1
            continue
        if s.startswith("#"):
            i += 1
            continue
        if line[0].isspace():  # only top-level declarations matter here
            i += 1
            continue
        # Gather one declaration (up to ';' at brace depth 0, or a '{' block).
        text = s
        depth = s.count("{") - s.count("}")
        while not (depth == 0 and text.rstrip()[-1:] in (";", "}")) and i + 1 < len(lines):
            if lines[i + 1].lstrip().startswith("#"):
                break
            i += 1
            text += "\n" + lines[i]
            depth += lines[i].count("{") - lines[i].count("}")
        i += 1
        parse_declaration(text, header, layer)


CALLING_CONVENTIONS = re.compile(r"\b(WINAPI|CALLBACK|APIENTRY|STDMETHODCALLTYPE)\b")


def split_top_level(text, sep=","):
    """Splits at sep where no bracket of any kind is open."""
    parts, depth, current = [], 0, ""
    for ch in text:
        if ch in "([{<":
            depth += 1
        elif ch in ")]}>":
            depth -= 1
        if ch == sep and depth == 0:
            parts.append(current)
            current = ""
        else:
            current += ch
    parts.append(current)
    return [p.strip() for p in parts]


def clean_params(params):
    """Parameters as a function type can spell them: no default arguments."""
    if params.strip() in ("", "void"):
        return ""
    return ", ".join(p.split("=")[0].strip() for p in split_top_level(params))


def split_function(flat):
    """(return type, name, parameters, rest after ')') of a function, or None."""
    open_at = flat.find("(")
    if open_at < 0:
        return None
    m = re.search(r"(\w+)\s*$", flat[:open_at])
    if not m:
        return None
    depth = 0
    for close_at in range(open_at, len(flat)):
        depth += {"(": 1, ")": -1}.get(flat[close_at], 0)
        if depth == 0:
            break
    else:
        return None
    ret = flat[:m.start()].strip()
    return ret, m.group(1), flat[open_at + 1:close_at], flat[close_at + 1:].strip()


def parse_declaration(text, header, layer):
    flat = " ".join(text.split())
    flat = re.sub(r"\[\[.*?\]\]\s*", "", flat)  # attributes
    if flat.startswith("template"):
        layer.unread.append((flat, header))
        return
    m = re.match(r"typedef\s+.*\(\s*\w*\s*\*\s*(\w+)\s*\)\s*\(.*\)\s*;$", flat)
    if m:  # function pointer type
        layer.types.append((m.group(1), header))
        return
    m = re.match(r"typedef\s+.*?(\w+)\s*(\[[^\]]*\])?\s*;$", flat)
    if m:
        layer.types.append((m.group(1), header))
        return
    m = re.match(r"using\s+(\w+)\s*=.*;$", flat)
    if m:
        layer.types.append((m.group(1), header))
        return
    m = re.match(r"(struct|union|class)\s+(\w+)\s*(?::\s*[\w\s,]+)?\s*(\{.*\})?\s*;$",
                 flat, flags=re.S)
    if m:
        name = m.group(2)
        layer.types.append((name, header))
        if m.group(3):
            parse_body(name, text[text.index("{") + 1:text.rindex("}")], header, layer)
        return
    m = re.match(r"enum\s+(class\s+|struct\s+)?(\w+)?\s*(:\s*[\w\s]+)?\{(.*)\}\s*;$", flat)
    if m:
        if m.group(2):
            layer.types.append((m.group(2), header))
        for item in split_top_level(m.group(4)):
            if item:
                name, _, value = item.partition("=")
                layer.enumerators.append((name.strip(), value.strip() or None, header))
        return
    m = re.match(r"(static\s+|inline\s+)*(constexpr|const)\s+[\w\s\*]+?\b(\w+)\s*=\s*(.+);$",
                 flat)
    if m:
        layer.enumerators.append((m.group(3), m.group(4).strip(), header))
        return
    if re.search(r"\boperator\b", flat):
        return  # operators are exercised by the probe
    parts = split_function(flat)
    if parts:
        ret, name, params, rest = parts
        ret = CALLING_CONVENTIONS.sub("", re.sub(r"^(static|inline|extern)\s+", "", ret))
        ret = " ".join(ret.split())
        rest = re.sub(r"^noexcept\b\s*", "", rest)
        if "operator" in ret or name == "operator":
            return
        if rest.startswith("{") and rest.endswith("}"):
            if name not in LAYER_HELPERS:
                layer.inline_functions.append((name, clean_params(params), header))
            return
        if rest == ";" and ret:
            if not HOST_ONLY.match(name):
                layer.functions.append((name, ret, clean_params(params), header))
            return
    layer.unread.append((flat, header))


def parse_body(struct, body, header, layer):
    depth = 0
    statement = ""
    for ch in body:
        if ch == "{":
            depth += 1
        elif ch == "}":
            depth -= 1
        statement += ch
        if ch == ";" and depth == 0:
            parse_member(struct, " ".join(statement.split()), header, layer)
            statement = ""
        elif ch == "}" and depth == 0 and "(" in statement.split("{")[0]:
            statement = ""  # a member function defined in place


def parse_member(struct, s, header, layer):
    s = re.sub(r"^((public|protected|private)\s*:\s*)+", "", s)
    if "~" in s or re.match(r"(static|using|friend|typedef)\b", s):
        return
    m = re.match(r"virtual\s+(.+?)\s+STDMETHODCALLTYPE\s+(\w+)\s*\((.*)\)\s*=\s*0\s*;$", s)
    if m:
        layer.methods.append((struct, m.group(2), m.group(1), clean_params(m.group(3)), header))
        return
    if "(" in s and not re.search(r"\(\s*\w*\s*\*", s):
        return  # some other member function
    m = re.search(r"\}\s*(\w+)\s*;$", s)  # nested struct with a member name
    if m:
        layer.fields.append((struct, m.group(1), header))
        return
    s = re.sub(r"\s*(=[^;]*|\{[^;]*\})\s*;$", ";", s)  # an initialiser
    m = re.search(r"(\w+)\s*(\[[^\]]*\])?\s*;$", s)
    if m:
        layer.fields.append((struct, m.group(1), header))


def is_constant_expression(value):
    if not value or "reinterpret_cast" in value or "&" in value.replace("&&", ""):
        return False
    if value in ("const", "volatile"):
        return False
    # Anything that is not a number should at least look like an expression.
    return bool(re.fullmatch(r"[\w\s()<>|~+\-*/^.]+", value))


def generate(layer, headers):
    out = []
    out.append("// Generated by tests/win32/check_layer.py: the simulated host's")
    out.append("// declarations checked against the Windows API. Do not edit.")
    out.append("#include <cstdint>")
    out.append("#include <utility>")
    for h in headers:
        out.append(f'#include "platform/{h}"')
    out.append("")
    out.append("#if defined(_WIN32)")
    out.append("#define LAYER_CONV WINAPI")
    out.append("#define LAYER_METHOD_CONV STDMETHODCALLTYPE")
    out.append("#else")
    out.append("#define LAYER_CONV")
    out.append("#define LAYER_METHOD_CONV")
    out.append("#endif")
    out.append("")
    for name, params, value, header in layer.macros:
        if name in SPELLING_MACROS or (not value and params is None):
            out.append(f"#if !defined({name})  // {header}")
            out.append(f'#error "{header}: {name} is not defined here"  // {header}')
            out.append("#endif")
        elif params is None and is_constant_expression(value):
            out.append(f"static_assert(static_cast<std::uint32_t>({name}) == "
                       f"static_cast<std::uint32_t>({value}), "
                       f'"{header}: {name} differs");  // {header}')
    for name, value, header in layer.enumerators:
        if value is not None and is_constant_expression(value):
            out.append(f"static_assert(static_cast<std::uint32_t>({name}) == "
                       f"static_cast<std::uint32_t>({value}), "
                       f'"{header}: {name} differs");  // {header}')
    out.append("")
    out.append("[[maybe_unused]] static void LayerConformance() {")
    for name, value, header in layer.enumerators:
        if value is None or not is_constant_expression(value):
            out.append(f"  static_cast<void>({name});  // {header}")
    for name, params, value, header in layer.macros:
        if name in SPELLING_MACROS or not value:
            continue
        if params is not None:
            count = len([p for p in params.split(",") if p.strip()])
            out.append(f"  static_cast<void>({name}({', '.join(['0'] * count)}));  // {header}")
        elif value.startswith("{"):  # an initialiser list (SECURITY_NT_AUTHORITY)
            out.append(f"  static_cast<void>(std::initializer_list<int>{name});  // {header}")
        elif not is_constant_expression(value):
            out.append(f"  static_cast<void>({name});  // {header}")
    for name, header in layer.types:
        out.append(f"  static_cast<void>(sizeof({name}*));  // {header}")
    for struct, field, header in layer.fields:
        out.append(f"  static_cast<void>(sizeof(std::declval<{struct}&>().{field}));  // {header}")
    for name, ret, params, header in layer.functions:
        if name in SIGNATURE_EXCEPTIONS:
            out.append(f"  // {header}: {name} not compared: {SIGNATURE_EXCEPTIONS[name]}.")
            continue
        args = params if params != "void" else ""
        out.append(f"  static_cast<void>(static_cast<{ret} (LAYER_CONV*)({args})>(&::{name}));"
                   f"  // {header}")
    for name, params, header in layer.inline_functions:
        count = len([p for p in params.split(",") if p.strip() and p.strip() != "void"])
        out.append(f"  static_cast<void>({name}({', '.join(['0'] * count)}));  // {header}")
    for struct, name, ret, params, header in layer.methods:
        out.append(f"  static_cast<void>(static_cast<{ret} (LAYER_METHOD_CONV {struct}::*)"
                   f"({params})>(&{struct}::{name}));  // {header}")
    out.append("}")
    return "\n".join(out) + "\n"


def check_coverage(layer, repo):
    win32 = "\n".join(p.read_text() for p in sorted((repo / "platform/win32").glob("*.h")))
    probe = (repo / "tests/win32/api_probe.cpp").read_text()
    problems = []
    for name, ret, params, header in layer.functions:
        takes_text = bool(TEXT_TYPES.search(params))
        gives_text = bool(TEXT_TYPES.search(ret))
        if not (takes_text or gives_text):
            continue
        if takes_text and not re.search(r"\binline\b[^;{]*?\b" + name + r"\s*\(", win32):
            problems.append(f"{header}: {name} takes UTF-16 text but platform/win32/ has "
                            f"no char16_t overload of it")
        if not re.search(r"\b" + name + r"\s*\(", probe):
            problems.append(f"{header}: {name} is not called by tests/win32/api_probe.cpp")
    return problems


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    repo = pathlib.Path(sys.argv[1])
    out_path = pathlib.Path(sys.argv[2])
    headers = sorted(p.name for p in (repo / "platform").glob("*.h"))
    layer = Layer()
    for h in headers:
        parse_header(repo / "platform" / h, layer)
    if not layer.functions or not layer.macros:
        print("check_layer: found no declarations in platform/*.h", file=sys.stderr)
        return 1
    out_path.parent.mkdir(parents=True, exist_ok=True)
    out_path.write_text(generate(layer, headers))
    problems = check_coverage(layer, repo)
    for p in problems:
        print(f"check_layer: {p}", file=sys.stderr)
    for declaration, header in layer.unread:
        print(f"check_layer: note: {header}: not compared (not understood here): "
              f"{declaration[:100]}")
    print(f"check_layer: {len(layer.macros)} constants, {len(layer.types)} types, "
          f"{len(layer.fields)} fields, {len(layer.functions)} functions, "
          f"{len(layer.methods)} COM methods from {len(headers)} headers")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
