#!/usr/bin/env python3
"""Draws the sample skin set's pictures at scale 1.0 and for the DPI scales:
  3001-3003  the main dialog's banner (540 x 120 units): blue with the
             product's mark at the start, green while removing and when
             done (the finish page has its own sign), red with a warning sign on failure;
  3020       the drop shadow around a dialog (8 units of fall-off a side);
  3040-3044  the small signs of the confirmation page's list: program
             files, shortcuts, services, registry entries, settings;
  3050-3052  the large signs: done, failed, and the message box's caution;
  3070, 3071 the progress bar's groove and fill, with round ends.
The caption buttons, check boxes and button overlay are make_buttons.py's."""
import math

from skinart import (circle, hex_colour, linear, mix, polygon, polyline, ring, rounded_rect, segment,
                     subtract, union, write_scaled)

BANNER = (540, 120)
WHITE = (1.0, 1.0, 1.0, 1.0)


def banner(start, end, mark_colours, decoration, badge):
    def draw(c, s):
        w, h = c.width, c.height
        c.fill(linear(0, 0, w, h * 1.6, [(0.0, hex_colour(start)), (1.0, hex_colour(end))]))
        # Soft light circles on the right, behind the caption buttons.
        c.shape(circle(470 * s, 150 * s, 120 * s), (1, 1, 1, 0.07), box=(340 * s, 20 * s, w, h))
        c.shape(circle(545 * s, -5 * s, 78 * s), (1, 1, 1, 0.06), box=(460 * s, 0, w, 80 * s))
        decoration(c, s)
        # The product's mark: a cube on a white tile.
        c.shape(rounded_rect(28 * s, 34 * s, 80 * s, 86 * s, 13 * s), (0, 0, 0, 0.10),
                box=(24 * s, 30 * s, 86 * s, 92 * s), soft=3 * s)
        c.shape(rounded_rect(28 * s, 32 * s, 80 * s, 84 * s, 13 * s), WHITE, box=(26 * s, 30 * s, 82 * s, 86 * s))
        cx, cy, r = 54 * s, 58 * s, 15 * s
        top = [(cx, cy - r), (cx + r * 0.87, cy - r / 2), (cx, cy), (cx - r * 0.87, cy - r / 2)]
        left = [(cx - r * 0.87, cy - r / 2), (cx, cy), (cx, cy + r), (cx - r * 0.87, cy + r / 2)]
        right = [(cx, cy), (cx + r * 0.87, cy - r / 2), (cx + r * 0.87, cy + r / 2), (cx, cy + r)]
        box = (cx - r - 2, cy - r - 2, cx + r + 2, cy + r + 2)
        for face, colour in ((top, mark_colours[0]), (left, mark_colours[1]), (right, mark_colours[2])):
            c.shape(polygon(face, 0.6 * s), hex_colour(colour), box)
        if badge:
            badge(c, s)
    return draw


def progress_arcs(c, s):
    # Two open rings on the right, their gaps turned apart: work going on.
    cx, cy = 445 * s, 62 * s
    for r, alpha, gap_at in ((44, 0.18, 0.8), (27, 0.13, 3.6)):
        arc = ring(cx, cy, r * s, 7 * s)

        def shape(x, y, arc=arc, gap_at=gap_at):
            turn = (math.atan2(y - cy, x - cx) - gap_at + math.pi) % (2 * math.pi) - math.pi
            return max(arc(x, y), (0.7 - abs(turn)) * math.hypot(x - cx, y - cy))
        c.shape(shape, (1, 1, 1, alpha), box=(380 * s, 5 * s, 510 * s, 120 * s))


def cubes(c, s):
    # The mark again, large and faint.
    cx, cy, r = 445 * s, 62 * s, 44 * s
    faces = [[(cx, cy - r), (cx + r * 0.87, cy - r / 2), (cx, cy), (cx - r * 0.87, cy - r / 2)],
             [(cx - r * 0.87, cy - r / 2), (cx, cy), (cx, cy + r), (cx - r * 0.87, cy + r / 2)],
             [(cx, cy), (cx + r * 0.87, cy - r / 2), (cx + r * 0.87, cy + r / 2), (cx, cy + r)]]
    for face, alpha in zip(faces, (0.16, 0.10, 0.06)):
        c.shape(polygon(face, 2 * s), (1, 1, 1, alpha), box=(cx - r - 4, cy - r - 4, cx + r + 4, cy + r + 4))


def warning_triangle(cx, cy, size, s):
    h = size * 0.87
    return polygon([(cx, cy - h / 2), (cx + size / 2, cy + h / 2), (cx - size / 2, cy + h / 2)], 4 * s)


def error_decoration(c, s):
    cx, cy, size = 445 * s, 66 * s, 96 * s
    tri = warning_triangle(cx, cy, size, s)
    mark = union(segment(cx, cy - 20 * s, cx, cy + 8 * s, 9 * s), circle(cx, cy + 24 * s, 5 * s))
    c.shape(subtract(tri, mark), (1, 1, 1, 0.16), box=(cx - size, cy - size, cx + size, cy + size))


def error_badge(c, s):
    # A small warning sign on the tile's corner.
    cx, cy = 80 * s, 82 * s
    c.shape(circle(cx, cy, 13 * s), hex_colour("C8362E"), box=(cx - 15 * s, cy - 15 * s, cx + 15 * s, cy + 15 * s))
    c.shape(circle(cx, cy, 11 * s), hex_colour("F5B335"), box=(cx - 13 * s, cy - 13 * s, cx + 13 * s, cy + 13 * s))
    mark = union(segment(cx, cy - 6 * s, cx, cy + 1.5 * s, 3 * s), circle(cx, cy + 5.5 * s, 1.7 * s))
    c.shape(mark, WHITE, box=(cx - 8 * s, cy - 10 * s, cx + 8 * s, cy + 10 * s))


def shadow(c, s):
    # Fall-off outside the 8-unit margin, full under the dialog itself.
    m = 8 * s
    inner = rounded_rect(m, m, c.width - m, c.height - m, 0.1)
    for y in range(c.height):
        for x in range(c.width):
            d = max(0.0, inner(x + 0.5, y + 0.5)) / m
            alpha = 0.24 * math.exp(-4.0 * d * d) * (1 - d) if d < 1 else 0.0
            c.blend(x, y, (0.0, 0.0, 0.0, 1.0), alpha)


def sign(colour, glyph):
    def draw(c, s):
        r = c.width / 2
        c.shape(circle(r, r, r - 0.5 * s), hex_colour(colour))
        c.shape(glyph(r, s), WHITE)
    return draw


def tick_glyph(r, s):
    k = r / 24
    return polyline([(r - 10 * k, r + 0.5 * k), (r - 3 * k, r + 7.5 * k), (r + 11 * k, r - 7 * k)], 4.2 * k)


def exclamation_glyph(r, s):
    k = r / 24
    return union(segment(r, r - 12 * k, r, r + 3 * k, 5 * k), circle(r, r + 11 * k, 3 * k))


LIST_BLUE = hex_colour("3B7DDD")


def folder_sign(c, s):
    body = rounded_rect(1.5 * s, 4 * s, 14.5 * s, 13.5 * s, 1.5 * s)
    tab = rounded_rect(1.5 * s, 2.5 * s, 7.5 * s, 6 * s, 1.2 * s)
    c.shape(union(body, tab), LIST_BLUE)
    c.shape(rounded_rect(2.8 * s, 6.2 * s, 13.2 * s, 12.3 * s, 0.8 * s), hex_colour("8DB5EF"))


def shortcut_sign(c, s):
    c.shape(ring(8 * s, 8 * s, 6.2 * s, 1.6 * s), LIST_BLUE)
    arrow = union(segment(5.3 * s, 10.7 * s, 10.2 * s, 5.8 * s, 1.7 * s),
                  polyline([(6.6 * s, 5.6 * s), (10.4 * s, 5.6 * s), (10.4 * s, 9.4 * s)], 1.7 * s))
    c.shape(arrow, LIST_BLUE)


def service_sign(c, s):
    cx = cy = 8 * s

    def gear(x, y):
        angle = math.atan2(y - cy, x - cx)
        tooth = 1.0 if math.cos(8 * angle) > 0.1 else 0.0
        return math.hypot(x - cx, y - cy) - (5.0 + 1.8 * tooth) * s
    c.shape(subtract(gear, circle(cx, cy, 2.2 * s)), LIST_BLUE)


def registry_sign(c, s):
    for x, y, colour in ((1.5, 1.5, LIST_BLUE), (8.5, 1.5, hex_colour("8DB5EF")),
                         (1.5, 8.5, hex_colour("8DB5EF")), (8.5, 8.5, LIST_BLUE)):
        c.shape(rounded_rect(x * s, y * s, (x + 6) * s, (y + 6) * s, 1.3 * s), colour)


def settings_sign(c, s):
    for y, knob in ((4.5, 10.5), (11.5, 5.0)):
        c.shape(segment(2 * s, y * s, 14 * s, y * s, 1.4 * s), hex_colour("8DB5EF"))
        c.shape(circle(knob * s, y * s, 2.6 * s), LIST_BLUE)
        c.shape(circle(knob * s, y * s, 1.1 * s), WHITE)


def bar(colour_top, colour_bottom):
    def draw(c, s):
        c.shape(rounded_rect(0, 0, c.width, c.height, c.height / 2),
                linear(0, 0, 0, c.height, [(0.0, hex_colour(colour_top)), (1.0, hex_colour(colour_bottom))]))
    return draw


def main():
    write_scaled(3001, BANNER, banner("1C5FD4", "3E93F5", ("5AA2F8", "2E74E0", "1B4FB0"), cubes, None))
    write_scaled(3002, BANNER, banner("0C8A72", "25B98E", ("4CCB9E", "14997A", "0B6E57"), progress_arcs,
                                      None))
    write_scaled(3003, BANNER, banner("B92F2A", "E7673A", ("F08A6A", "D0493A", "9A2A22"), error_decoration,
                                      error_badge))
    write_scaled(3020, (24, 24), shadow)
    for image_id, draw in ((3040, folder_sign), (3041, shortcut_sign), (3042, service_sign),
                           (3043, registry_sign), (3044, settings_sign)):
        write_scaled(image_id, (16, 16), draw)
    write_scaled(3050, (48, 48), sign("1FA971", tick_glyph))
    write_scaled(3051, (48, 48), sign("E0483E", exclamation_glyph))
    write_scaled(3052, (36, 36), sign("F0A020", exclamation_glyph))
    write_scaled(3070, (16, 8), bar("DDE3EB", "E7ECF2"))
    write_scaled(3071, (16, 8), bar("4C9BFF", "2F7BE5"))


if __name__ == "__main__":
    main()
