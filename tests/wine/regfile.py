"""Reads Wine's registry files (system.reg, user.reg) into the dump's form.

Keys become full paths ("HKEY_LOCAL_MACHINE\\SOFTWARE\\..."), values
{name: [TYPE, data]} as `simhost dump` writes them: strings as text,
REG_MULTI_SZ as a list, numbers as integers, anything else as hex.
"""

import codecs

TYPE_NAMES = {0: "REG_NONE", 1: "REG_SZ", 2: "REG_EXPAND_SZ", 3: "REG_BINARY",
              4: "REG_DWORD", 5: "REG_DWORD_BIG_ENDIAN", 6: "REG_LINK", 7: "REG_MULTI_SZ",
              8: "REG_RESOURCE_LIST", 11: "REG_QWORD"}


def _unescape(text):
    """The body of a quoted Wine registry string, escapes undone."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 == len(text):
            out.append(c)
            i += 1
            continue
        n = text[i + 1]
        simple = {"n": "\n", "r": "\r", "t": "\t", "0": "\0", "\\": "\\", '"': '"',
                  "a": "\a", "b": "\b", "e": "\x1b", "f": "\f", "v": "\v"}
        if n == "x":
            j = i + 2
            while j < len(text) and j < i + 6 and text[j] in "0123456789abcdefABCDEF":
                j += 1
            out.append(chr(int(text[i + 2:j], 16)))
            i = j
        elif n in simple:
            out.append(simple[n])
            i += 2
        else:
            out.append(n)
            i += 2
    return "".join(out)


def _quoted_end(line, start):
    """Index of the closing quote of the string opening at line[start]."""
    i = start + 1
    while i < len(line):
        if line[i] == "\\":
            i += 2
            continue
        if line[i] == '"':
            return i
        i += 1
    raise ValueError("unterminated string: " + line)


def _multi_sz(text):
    """Items of a REG_MULTI_SZ; empty items inside stay (a pending delete has one)."""
    items = text.split("\0")
    if items and items[-1] == "":
        items.pop()  # after the last item's terminator
    if items and items[-1] == "":
        items.pop()  # the empty string that ends the list
    return items


def _from_bytes(type_number, data):
    if type_number in (1, 2, 6):
        text = data.decode("utf-16-le", "replace")
        return text.split("\0", 1)[0]
    if type_number == 7:
        return _multi_sz(data.decode("utf-16-le", "replace"))
    if type_number == 4 and len(data) == 4:
        return int.from_bytes(data, "little")
    if type_number == 11 and len(data) == 8:
        return int.from_bytes(data, "little")
    return codecs.encode(data, "hex").decode()


def _value(text):
    """[TYPE, data] of the text right of '='."""
    if text.startswith('"'):
        return ["REG_SZ", _unescape(text[1:_quoted_end(text, 0)])]
    if text.startswith("str(") and text[4] != ")":
        number = int(text[4:text.index(")")], 16)
        body = text[text.index(":") + 1:]
        text = _unescape(body[1:_quoted_end(body, 0)])
        if number == 7:
            return ["REG_MULTI_SZ", _multi_sz(text)]
        return [TYPE_NAMES.get(number, "REG_%d" % number), text]
    if text.startswith("dword:"):
        return ["REG_DWORD", int(text[6:], 16)]
    if text.startswith("hex"):
        number = 3
        if text.startswith("hex("):
            number = int(text[4:text.index(")")], 16)
        hexes = text[text.index(":") + 1:].replace(",", "").strip()
        data = bytes.fromhex(hexes)
        return [TYPE_NAMES.get(number, "REG_%d" % number), _from_bytes(number, data)]
    raise ValueError("unknown value: " + text[:40])


def _logical_lines(text):
    """Lines with the backslash continuations of hex data joined."""
    pending = ""
    for raw in text.split("\n"):
        line = raw.rstrip("\r")
        if pending:
            line = pending + line.lstrip()
            pending = ""
        if line.endswith("\\") and not line.startswith("[") and ("=hex" in line or
                                                                  "\"=hex" in line):
            pending = line[:-1]
            continue
        yield line


def parse(text, root):
    """{key path: {value name: [TYPE, data]}} of one file; root prefixes its keys."""
    keys, current = {}, None
    for line in _logical_lines(text):
        if line.startswith("["):
            end = line.rindex("]")
            name = line[1:end].replace("\\\\", "\\")
            full = root + "\\" + name if root and name else root or name
            current = keys.setdefault(full, {})
            continue
        if current is None or not line or line[0] in ";#":
            continue
        if line.startswith("@="):
            name, rest = "", line[2:]
        elif line.startswith('"'):
            end = _quoted_end(line, 0)
            name, rest = _unescape(line[1:end]), line[end + 2:]
        else:
            continue
        current[name] = _value(rest)
    return keys
