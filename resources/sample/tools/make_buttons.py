#!/usr/bin/env python3
"""Draws the sample skin set's small state strips, each frame normal, hover,
pushed, disabled, at scale 1.0 and for the DPI scales:
  3010, 3011  caption buttons close and minimise: a white glyph on a
              transparent or lightly tinted square, for the coloured banner;
  3030-3033   check box and radio box, unchecked and checked;
  3060        the face laid over a button drawn beneath it: nothing when
              normal, a light or dark tint when hovered or pushed."""
from skinart import (Canvas, circle, hex_colour, mix, polyline, rounded_rect, segment, write_strip)

CAPTION = 30  # caption buttons are 30 x 30 units
BOX = 13      # check and radio boxes are 13 x 13 units

WHITE = (1.0, 1.0, 1.0, 1.0)
BLUE = hex_colour("3385EE")


def caption_button(segments):
    tints = [0.0, 0.18, 0.32, 0.0]
    glyph_alpha = [1.0, 1.0, 1.0, 0.45]

    def draw(c, s, state, left):
        size = CAPTION * s
        if tints[state]:
            c.shape(rounded_rect(left + 2 * s, 2 * s, left + size - 2 * s, size - 2 * s, 4 * s),
                    (1.0, 1.0, 1.0, tints[state]), box=(left, 0, left + size, size))
        pen = 1.5 * s
        shape = lambda x, y: min(segment(left + ax * s, ay * s, left + bx * s, by * s, pen)(x, y)
                                 for ax, ay, bx, by in segments)
        c.shape(shape, (1.0, 1.0, 1.0, glyph_alpha[state]), box=(left, 0, left + size, size))
    return draw


def box_frame(round_box, checked):
    # (border, face, mark) per state; a checked box is filled blue.
    if checked:
        looks = [("2B78E0", "3385EE", "FFFFFF"), ("3A8AF0", "4A95F5", "FFFFFF"),
                 ("1F5FC4", "2468D6", "FFFFFF"), ("B9C9E0", "C6D5EA", "F4F7FB")]
    else:
        looks = [("AEB6C2", "FFFFFF", None), ("3385EE", "FFFFFF", None),
                 ("2468D6", "E6EFFC", None), ("D5D9DF", "F1F2F4", None)]

    def draw(c, s, state, left):
        border, face, mark = looks[state]
        size = BOX * s
        box = (left, 0, left + size, size)
        if round_box:
            c.shape(circle(left + size / 2, size / 2, size / 2 - 0.5 * s), hex_colour(border), box)
            c.shape(circle(left + size / 2, size / 2, size / 2 - 1.5 * s), hex_colour(face), box)
            if mark:
                c.shape(circle(left + size / 2, size / 2, 2.4 * s), hex_colour(mark), box)
        else:
            c.shape(rounded_rect(left + 0.5 * s, 0.5 * s, left + size - 0.5 * s, size - 0.5 * s, 2.5 * s),
                    hex_colour(border), box)
            c.shape(rounded_rect(left + 1.5 * s, 1.5 * s, left + size - 1.5 * s, size - 1.5 * s, 1.6 * s),
                    hex_colour(face), box)
            if mark:
                tick = [(3.3, 6.8), (5.5, 9.0), (9.8, 4.2)]
                c.shape(polyline([(left + x * s, y * s) for x, y in tick], 1.7 * s), hex_colour(mark), box)
    return draw


def overlay(c, s, state, left):
    tint = [None, (1.0, 1.0, 1.0, 0.16), (0.0, 0.0, 0.0, 0.16), None][state]
    if tint:
        c.shape(lambda x, y: -1.0, tint, box=(left, 0, left + 8 * s, 8 * s))


def main():
    close = [(10.5, 10.5, 19.5, 19.5), (19.5, 10.5, 10.5, 19.5)]
    minimise = [(10.0, 15.5, 20.0, 15.5)]
    write_strip(3010, (CAPTION, CAPTION), 4, caption_button(close))
    write_strip(3011, (CAPTION, CAPTION), 4, caption_button(minimise))
    write_strip(3030, (BOX, BOX), 4, box_frame(False, False))
    write_strip(3031, (BOX, BOX), 4, box_frame(False, True))
    write_strip(3032, (BOX, BOX), 4, box_frame(True, False))
    write_strip(3033, (BOX, BOX), 4, box_frame(True, True))
    write_strip(3060, (8, 8), 4, overlay)


if __name__ == "__main__":
    main()
