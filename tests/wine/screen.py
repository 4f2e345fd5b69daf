"""A skinned dialog on a test's X display, seen and clicked as a user would.

Everything that says where an element is or what a page looks like comes from
the skin resource folder, through the Linux build's skinview: the element
rectangles (--elements) and a drawing of each page (--out), turned to with
skinview's element changes as the program turns its pages. A screenshot is then
named after the drawing it is nearest to, outside the elements' text (each
system draws its own glyphs).
"""

import json
import os
import re
import shutil
import subprocess
import tempfile
import time
import xml.etree.ElementTree as ElementTree

import config


class ScreenError(Exception):
    pass


def _image_tool(name):
    # The Debian program itself: a wrapper of the same name may stand before it on PATH.
    path = os.path.join("/usr/bin", name)
    return path if os.access(path, os.X_OK) else shutil.which(name)


def missing_tools():
    """Why the display cannot be driven here, or None."""
    for name in ("xdotool", "import", "convert"):
        if not _image_tool(name):
            return name + " is not installed (scripts/setup --wine)"
    return None


def _skinview(resources, layout, dpi, *args, timeout=120):
    scale = [] if dpi == 96 else ["--dpi", str(dpi)]
    return subprocess.run([config.tool("skinview"), resources, str(layout)] + scale + list(args),
                          capture_output=True, text=True, timeout=timeout)


def elements(resources, layout, dpi=96):
    """[{"id", "tag", "rect", "visible"}] of a layout's elements, in client pixels."""
    with tempfile.TemporaryDirectory() as work:
        done = _skinview(resources, layout, dpi, "--out", os.path.join(work, "x.png"), "--elements")
    if done.returncode != 0:
        raise ScreenError("skinview --elements failed: " + done.stderr.strip())
    return [json.loads(line) for line in done.stdout.splitlines() if line.startswith("{")]


def rect_of(found, element_id):
    rects = [e["rect"] for e in found if e["id"] == element_id]
    if len(rects) != 1:
        raise ScreenError("the layout has %d elements with id %d" % (len(rects), element_id))
    return rects[0]


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def layout_size(resources, layout):
    root = ElementTree.parse(os.path.join(resources, "%d.xml" % layout)).getroot()
    return int(root.get("width", "0")), int(root.get("height", "0"))


def page_edits(shown, hidden, banner=None):
    """skinview's changes that turn a page as the program does: containers shown
    and hidden, and the banner (element 3) given another skin."""
    edits = []
    for element_id in hidden:
        edits += ["--hide", str(element_id)]
    for element_id in shown:
        edits += ["--show", str(element_id)]
    if banner:
        edits += ["--attr", "3:skin=" + banner]
    return edits


def draw(resources, layout, dpi, out, edits=()):
    done = _skinview(resources, layout, dpi, "--out", out, *edits)
    if done.returncode != 0:
        raise ScreenError("skinview could not draw %s %s: %s"
                          % (layout, " ".join(edits), done.stderr.strip()))
    return out


def compare(resources, layout, dpi, picture, edits=()):
    """(True when a screenshot is the layout's drawing outside its text, what skinview said)."""
    done = _skinview(resources, layout, dpi, "--compare", picture, "--opaque", *edits)
    return done.returncode == 0, (done.stdout + done.stderr).strip()


def pixels(picture):
    """(width, height, RGB bytes) of a picture, without its alpha (on white)."""
    done = subprocess.run([_image_tool("convert"), picture, "-background", "white", "-alpha",
                           "remove", "-depth", "8", "ppm:-"], capture_output=True, timeout=60)
    match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", done.stdout)
    if done.returncode != 0 or not match:
        raise ScreenError("convert cannot read %s" % picture)
    width, height = int(match.group(1)), int(match.group(2))
    return width, height, done.stdout[match.end():match.end() + width * height * 3]


def sample_points(width, height, left_out=(), step=2):
    """Byte offsets of every step-th pixel each way of a picture, outside the
    rectangles left_out."""
    return [(y * width + x) * 3 for y in range(0, height, step) for x in range(0, width, step)
            if not any(r[0] <= x < r[2] and r[1] <= y < r[3] for r in left_out)]


def edge_band(width, height, size=1):
    """The rectangles of a picture's outer band of size pixels."""
    return [[0, 0, width, size], [0, 0, size, height], [width - size, 0, width, height],
            [0, height - size, width, height]]


def pixels_off(a, b, points, by=24):
    """How many of the points differ between two pictures of one size by more than
    by in a channel (all of them when the sizes differ)."""
    (w, h, one), (w2, h2, two) = a, b
    if (w, h) != (w2, h2):
        return len(points)
    return sum(1 for at in points if abs(one[at] - two[at]) > by or
               abs(one[at + 1] - two[at + 1]) > by or abs(one[at + 2] - two[at + 2]) > by)


def difference(a, b, points):
    """The mean difference per channel (0..255) of two pictures of one size at points."""
    (w, h, one), (w2, h2, two) = a, b
    if (w, h) != (w2, h2) or not points:
        return 255.0
    total = 0
    for at in points:
        total += abs(one[at] - two[at]) + abs(one[at + 1] - two[at + 1]) + \
            abs(one[at + 2] - two[at + 2])
    return total / (3 * len(points))


def points_apart(drawings, points, by=24):
    """For each two drawings, the points at which they differ by more than by in a
    channel: where pages that share most of their look tell themselves apart."""
    apart = {}
    names = list(drawings)
    for i, one in enumerate(names):
        for other in names[i + 1:]:
            p, q = drawings[one][2], drawings[other][2]
            apart[one, other] = apart[other, one] = [
                at for at in points
                if any(abs(p[at + c] - q[at + c]) > by for c in range(3))]
    return apart


def page_shown(shot, drawings, apart, margin=0.5):
    """The drawing a screenshot shows, or None: the one that it is near to wherever
    that drawing differs from another (within margin of the way to the other)."""
    for name, drawing in drawings.items():
        if all(apart[name, other] and difference(shot, drawing, apart[name, other]) <
               margin * difference(drawings[other], drawing, apart[name, other])
               for other in drawings if other != name):
            return name
    return None


class Display:
    """The X display of a Wine prefix: windows found by title, shot and clicked."""

    def __init__(self, env):
        self.env = env

    def _xdotool(self, *args, timeout=30):
        done = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                              capture_output=True, text=True, timeout=timeout)
        if done.returncode != 0:
            raise ScreenError("xdotool %s failed: %s" % (args[0], done.stderr.strip()))
        return done.stdout

    def find(self, title, timeout=60):
        """The one visible top-level window titled title."""
        try:
            found = self._xdotool("search", "--sync", "--onlyvisible", "--name",
                                  "^%s$" % re.escape(title), timeout=timeout).split()
        except subprocess.TimeoutExpired:
            raise ScreenError("no window titled %r within %ds" % (title, timeout))
        if len(found) != 1:
            raise ScreenError("%d windows titled %r" % (len(found), title))
        return found[0]

    def size(self, window):
        text = self._xdotool("getwindowgeometry", window)
        match = re.search(r"Geometry: (\d+)x(\d+)", text)
        if not match:
            raise ScreenError("no geometry for window %s: %s" % (window, text))
        return int(match.group(1)), int(match.group(2))

    def raise_window(self, window):
        # No window manager runs on the test's display, and Wine leaves the
        # stacking of its windows to one: the dialog's shadow window, mapped
        # after it, would stay above it. Raising the dialog does what one would.
        self._xdotool("windowraise", window)

    def shoot(self, window, path):
        done = subprocess.run([_image_tool("import"), "-window", window, path], env=self.env,
                              capture_output=True, text=True, timeout=60)
        if done.returncode != 0:
            raise ScreenError("import failed: " + done.stderr.strip())
        return path

    def click(self, window, x, y):
        """A left click at client point (x, y) of a frameless window."""
        self._xdotool("mousemove", "--window", window, x, y, "click", "1")


def wait_for(check, timeout, pause=0.2):
    """check()'s first true result within timeout seconds, else None."""
    deadline = time.monotonic() + timeout
    while True:
        found = check()
        if found or time.monotonic() > deadline:
            return found
        time.sleep(pause)
