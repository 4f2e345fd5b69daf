"""The interactive scenario's own judgement: which page a screenshot shows, how
many pixels a picture has off, and the font replacement's registry file."""

import unittest

import cjk_font
import regfile
import screen

W, H = 40, 30


def picture(colour, square=None, square_colour=(0, 0, 0)):
    """A W x H picture of one colour, with an optional rectangle of another."""
    data = bytearray(bytes(colour) * (W * H))
    if square:
        for y in range(square[1], square[3]):
            for x in range(square[0], square[2]):
                data[(y * W + x) * 3:(y * W + x) * 3 + 3] = bytes(square_colour)
    return W, H, bytes(data)


class PageJudgement(unittest.TestCase):
    leg = "sim"

    def setUp(self):
        # Two pages alike but for a small mark, and one unlike both.
        self.drawings = {"plain": picture((250, 250, 250)),
                         "marked": picture((250, 250, 250), [4, 4, 10, 10], (30, 90, 200)),
                         "grey": picture((120, 120, 120))}
        self.apart = screen.points_apart(self.drawings, screen.sample_points(W, H, step=1))

    def test_pages_alike_but_for_a_mark_are_told_apart(self):
        for name, drawing in self.drawings.items():
            self.assertEqual(screen.page_shown(drawing, self.drawings, self.apart), name)
        # Glyph-like noise elsewhere does not hide the mark.
        noisy = picture((250, 250, 250), [20, 20, 30, 24], (0, 0, 0))
        self.assertEqual(screen.page_shown(noisy, self.drawings, self.apart), "plain")

    def test_a_frame_not_yet_painted_or_half_way_is_no_page(self):
        self.assertIsNone(screen.page_shown(picture((0, 0, 0)), self.drawings, self.apart))
        half = picture((250, 250, 250), [4, 4, 10, 7], (30, 90, 200))
        self.assertIsNone(screen.page_shown(half, self.drawings, self.apart))

    def test_moving_parts_left_out_tell_nothing(self):
        bar = [0, 20, W, 24]
        points = screen.sample_points(W, H, [bar], step=1)
        moved = picture((250, 250, 250), bar, (0, 0, 0))
        self.assertEqual(screen.pixels_off(moved, self.drawings["plain"], points), 0)
        self.assertEqual(screen.pixels_off(self.drawings["marked"], self.drawings["plain"], points),
                         36)
        # A picture of another size is all off.
        other = (W - 1, H, b"\0" * ((W - 1) * H * 3))
        self.assertEqual(screen.pixels_off(other, self.drawings["plain"], points), len(points))


class FontReplacement(unittest.TestCase):
    leg = "sim"

    def test_registry_file_carries_both_names_and_hostile_characters(self):
        text = cjk_font.reg_text(cjk_font.REPLACEMENTS_KEY,
                                 [(face, cjk_font.FACE) for face in cjk_font.REPLACED] +
                                 [('a "quoted" \\ name', "x\\y")])
        values = regfile.parse(text, "")[cjk_font.REPLACEMENTS_KEY]
        self.assertEqual(values["\u5b8b\u4f53"], ["REG_SZ", "WenQuanYi Zen Hei"])
        self.assertEqual(values["SimSun"], ["REG_SZ", "WenQuanYi Zen Hei"])
        self.assertEqual(values['a "quoted" \\ name'], ["REG_SZ", "x\\y"])


if __name__ == "__main__":
    unittest.main()
