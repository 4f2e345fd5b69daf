"""A Chinese font for a Wine machine, kept inside its prefix.

The skinned UI asks for the Song face (by its Chinese or its English name),
which a fresh prefix lacks, so Chinese text would show as empty boxes. Wine
reads the system's fonts through fontconfig: a font replacement in the
prefix's own registry sends both names to Debian's WenQuanYi Zen Hei
(fonts-wqy-zenhei, installed by scripts/setup). Nothing outside the prefix
changes, and the prefix gains no link out of it.
"""

import os

FACE = "WenQuanYi Zen Hei"
FONT_FILE = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
REPLACEMENTS_KEY = "HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements"
# The Song face under its Chinese and its English names.
REPLACED = ("\u5b8b\u4f53", "SimSun")


def reg_text(key, values):
    """A registry file (as regedit writes it) setting string values of one key."""
    lines = ["Windows Registry Editor Version 5.00", "", "[%s]" % key]
    for name, data in values:
        quoted = [text.replace("\\", "\\\\").replace('"', '\\"') for text in (name, data)]
        lines.append('"%s"="%s"' % tuple(quoted))
    return "\r\n".join(lines) + "\r\n"


def provide(machine):
    """Replaces the Song face with the system's CJK font on a Wine machine; False
    where there is nothing to do (the simulated host draws with its own fonts) or
    no such font."""
    if machine.leg == "sim" or not os.path.exists(FONT_FILE):
        return False
    # A registry file, not reg.exe's command line: the Chinese name survives no locale.
    winpath = "C:\\cjk-font.reg"
    machine.write_file(winpath, b"\xff\xfe" + reg_text(
        REPLACEMENTS_KEY, [(face, FACE) for face in REPLACED]).encode("utf-16-le"))
    try:
        machine._tool("reg", "import", winpath)
    finally:
        os.unlink(machine.real(winpath))
    return True
