"""Drawing helpers for the sample skin set's generators: a float RGBA canvas,
shapes given by signed distance (negative inside, in pixels) and covered
over one pixel for smooth edges, linear gradients, and the PNG writer.

Every picture is drawn by a function of (canvas, scale) in units written for
scale 1.0, so that the same drawing gives the images for scale 1.2 and 1.5
(the DPI images, looked up by id) without resampling."""
import math
import os
import struct
import zlib

# The scales the DPI images are drawn for, beside the normal one.
DPI_SCALES = (1.2, 1.5)

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.normpath(os.path.join(HERE, ".."))
RES_DIR = os.path.join(SAMPLE, "res", "uninstall")


def png(path, width, height, pixels):
    """Writes 8-bit RGBA rows (a flat list of ints) as a PNG file."""
    raw = b"".join(b"\0" + bytes(pixels[y * width * 4:(y + 1) * width * 4]) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def hex_colour(text, alpha=1.0):
    return (int(text[0:2], 16) / 255.0, int(text[2:4], 16) / 255.0, int(text[4:6], 16) / 255.0, alpha)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(4))


class Canvas:
    """Straight-alpha float pixels; shapes are laid over with "over"."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def blend(self, x, y, colour, cover):
        a = colour[3] * cover
        if a <= 0:
            return
        p = self.px[y * self.width + x]
        out_a = a + p[3] * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = (colour[i] * a + p[i] * p[3] * (1 - a)) / out_a
        p[3] = out_a

    def shape(self, distance, paint, box=None, soft=1.0):
        """Covers the pixels whose centre lies inside distance (< 0), edges
        smoothed over soft pixels; paint is a colour or a function (x, y)."""
        x0, y0, x1, y1 = box if box else (0, 0, self.width, self.height)
        x0, y0 = max(0, int(math.floor(x0)) - 2), max(0, int(math.floor(y0)) - 2)
        x1, y1 = min(self.width, int(math.ceil(x1)) + 2), min(self.height, int(math.ceil(y1)) + 2)
        for y in range(y0, y1):
            for x in range(x0, x1):
                cx, cy = x + 0.5, y + 0.5
                cover = min(1.0, max(0.0, 0.5 - distance(cx, cy) / soft))
                if cover > 0:
                    self.blend(x, y, paint(cx, cy) if callable(paint) else paint, cover)

    def fill(self, paint):
        self.shape(lambda x, y: -1.0, paint)

    def save(self, path):
        out = []
        for p in self.px:
            out.extend(max(0, min(255, round(v * 255))) for v in p)
        png(path, self.width, self.height, out)


# Signed distances.
def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hw, abs(y - cy) - hh
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return d


def segment(ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy or 1e-9

    def d(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - width / 2
    return d


def polyline(points, width):
    parts = [segment(*points[i], *points[i + 1], width) for i in range(len(points) - 1)]
    return lambda x, y: min(p(x, y) for p in parts)


def polygon(points, radius=0.0):
    """A convex polygon (points clockwise on screen), corners rounded by radius."""
    edges = []
    n = len(points)
    for i in range(n):
        (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
        length = math.hypot(bx - ax, by - ay)
        edges.append((ax, ay, (by - ay) / length, -(bx - ax) / length, bx, by))

    def d(x, y):
        inside = max((x - ax) * nx + (y - ay) * ny for ax, ay, nx, ny, _, _ in edges)
        if inside <= 0:
            return inside - radius
        outside = min(segment(ax, ay, bx, by, 0)(x, y) for ax, ay, _, _, bx, by in edges)
        return outside - radius
    return d


def union(*parts):
    return lambda x, y: min(p(x, y) for p in parts)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def linear(x0, y0, x1, y1, stops):
    """A gradient along (x0, y0) -> (x1, y1) through [(t, colour)...]."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9

    def paint(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t <= t1:
                return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 0)
        return stops[-1][1]
    return paint


def pixels(units, scale):
    """A length in units at scale as the framework rounds it (half away from zero)."""
    return int(math.floor(units * scale + 0.5))


def image_path(image_id, scale):
    if scale == 1.0:
        return os.path.join(RES_DIR, "%d.png" % image_id)
    folder = os.path.join(SAMPLE, "ressrc", "chs", "dpiimg", "%.1f" % scale, "uninstall")
    os.makedirs(folder, exist_ok=True)
    return os.path.join(folder, "%d_%.1f.png" % (image_id, scale))


def write_strip(image_id, frame_size, frames, draw_frame):
    """A strip of state frames (normal, hover, pushed, disabled...), each
    frame_size units, at every scale; each frame is as many pixels wide as
    the framework cuts it, draw_frame(canvas, scale, state, left) draws one (left is 0:
    each frame is drawn alone)."""
    for scale in (1.0,) + DPI_SCALES:
        frame, height = pixels(frame_size[0], scale), pixels(frame_size[1], scale)
        canvas = Canvas(frame * frames, height)
        for state in range(frames):
            # Each frame on its own, so that no edge spills into its neighbour.
            one = Canvas(frame, height)
            draw_frame(one, scale, state, 0)
            for y in range(height):
                row = y * canvas.width + state * frame
                canvas.px[row:row + frame] = one.px[y * frame:(y + 1) * frame]
        canvas.save(image_path(image_id, scale))


def write_scaled(image_id, size, draw):
    """Draws image_id at scale 1.0 into the resource folder and at each DPI
    scale into ressrc/chs/dpiimg/<scale>/uninstall/<id>_<scale>.png."""
    for scale in (1.0,) + DPI_SCALES:
        canvas = Canvas(pixels(size[0], scale), pixels(size[1], scale))
        draw(canvas, scale)
        canvas.save(image_path(image_id, scale))
