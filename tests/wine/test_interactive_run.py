"""The sample product uninstalled as a user does it: the program started without
/at on the test's X display, its dialog clicked through with real input (start,
then finish), each page held to the Linux drawing of the layout showing that
page, and the product gone afterwards, the temporary skin copy with it.

The screenshots are kept in <UNINST_BUILD_DIR>/wine-pictures/interactive_*.png.
"""

import os
import shutil
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

import cjk_font
import config
import sample_product
import screen
from machine import list_files
from test_sample_product import temp_copy

PICTURES = os.path.join(config.BUILD, "wine-pictures")
RESOURCES = os.path.join(sample_product.SAMPLE_DIR, "res", "uninstall")
MAIN_LAYOUT = 11001
# Element ids of the main dialog: the pages' containers, the banner, the buttons.
CONFIRMATION, PROGRESS, FINISH, FAILURE = 100, 200, 400, 300
START, CLOSE_FINISHED = 101, 401
PROGRESS_TEXT, PROGRESS_BAR = 201, 206
PAGES = {
    # page: (container shown, banner skin)
    "confirmation": (CONFIRMATION, None),
    "progress": (PROGRESS, "mainbg_banner_finish"),
    "finish": (FINISH, "mainbg_banner_finish"),
    "error": (FAILURE, "mainbg_error"),
}
# Bounds: the window's first frame, the whole removal, the program's end.
SHOWN_WITHIN, REMOVED_WITHIN, EXITS_WITHIN = 90, 240, 60


def configured(key):
    """A value of the sample product's install configuration."""
    root = ElementTree.parse(os.path.join(sample_product.SAMPLE_DIR, "installConfig.xml")).getroot()
    for item in root.iter("item"):
        if item.get("key") == key:
            return item.get("value")
    raise KeyError(key)


class InteractiveRun:
    leg = None

    def setUp(self):
        reason = (config.skip_reason(self.leg) or screen.missing_tools() or
                  (None if os.path.exists(config.tool("skinview")) else "no Linux skinview"))
        if reason:
            self.skipTest("%s leg: %s" % (self.leg, reason))
        self.work = tempfile.mkdtemp(prefix="uninst-interactive-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.machine = config.new_machine(self.leg, self)
        cjk_font.provide(self.machine)
        self.display = screen.Display(self.machine.prefix.env())

    # The pages as the Linux build draws them, at the window's scale.

    def prepare_pages(self, window):
        width, _ = self.display.size(window)
        self.dpi = round(96 * width / screen.layout_size(RESOURCES, MAIN_LAYOUT)[0])
        self.elements = screen.elements(RESOURCES, MAIN_LAYOUT, self.dpi)
        containers = {CONFIRMATION, PROGRESS, FINISH, FAILURE}
        drawings = {}
        for page, (shown, banner) in PAGES.items():
            edits = screen.page_edits({shown}, containers - {shown}, banner)
            drawn = screen.draw(RESOURCES, MAIN_LAYOUT, self.dpi,
                                os.path.join(self.work, "drawn-%s.png" % page), edits)
            drawings[page] = screen.pixels(drawn)
        self.drawings = drawings
        # The progress text and bar move as the run goes: not part of the page's look.
        moving = [screen.rect_of(self.elements, i) for i in (PROGRESS_TEXT, PROGRESS_BAR)]
        w, h, _ = next(iter(drawings.values()))
        self.apart = screen.points_apart(drawings, screen.sample_points(w, h, moving))
        self.kept = {}

    def look(self, window):
        """The page the window shows now (None for none yet), its screenshot kept
        the first time each page is seen."""
        self.display.raise_window(window)
        shot = self.display.shoot(window, os.path.join(self.work, "shot.png"))
        page = screen.page_shown(screen.pixels(shot), self.drawings, self.apart)
        if page and page not in self.kept:
            os.makedirs(PICTURES, exist_ok=True)
            self.kept[page] = os.path.join(PICTURES, "interactive_%s_%s.png" % (self.leg, page))
            shutil.copyfile(shot, self.kept[page])
        return page

    def wait_page(self, window, wanted, timeout):
        """Polls until the window shows wanted; fails on the error page or at timeout."""
        seen = []

        def shows():
            page = self.look(window)
            if page and page not in seen:
                seen.append(page)
            if page == "error":
                self.fail("the dialog shows the error page (pages seen: %s)" % seen)
            return page == wanted

        if not screen.wait_for(shows, timeout, pause=0.1):
            self.fail("no %s page within %ds (pages seen: %s)" % (wanted, timeout, seen))
        return seen

    def assert_page_drawn(self, page):
        """The kept screenshot of a page is its Linux drawing, pixel for pixel, outside
        the text and the buttons' labels (each system draws its own glyphs) and the
        outermost pixels (the program draws its own border over the frame)."""
        shot, drawn = screen.pixels(self.kept[page]), self.drawings[page]
        w, h, _ = drawn
        labelled = [e["rect"] for e in self.elements if e["tag"] in ("text", "button")]
        points = screen.sample_points(w, h, labelled + screen.edge_band(w, h), step=1)
        off = screen.pixels_off(shot, drawn, points)
        self.assertLessEqual(off, len(points) // 200, "%s: %d of %d pixels differ from the "
                             "drawing" % (self.kept[page], off, len(points)))

    def click(self, window, element_id):
        x, y = screen.centre(screen.rect_of(self.elements, element_id))
        self.display.click(window, x, y)

    def temp_copies(self):
        name = configured("install_dir_name").upper()
        return [f for f in list_files(self.machine.drive_c())
                if temp_copy(f) and ("\\" + name + "\\") in f.upper()]

    def test_clicked_through_to_finish_removes_the_product_and_the_skin_copy(self):
        m = self.machine
        placed = sample_product.install_sample(m)
        desktop_link = [p for p in placed if p.upper().endswith("\\DESKTOP\\SAMPLE PRODUCT.LNK")]
        self.assertEqual(len(desktop_link), 1, placed)
        run = m.start_program(sample_product.UNINSTALLER, [])
        window = self.display.find(configured("title"), timeout=SHOWN_WITHIN)
        self.prepare_pages(window)

        self.wait_page(window, "confirmation", SHOWN_WITHIN)
        self.assert_page_drawn("confirmation")
        self.assertTrue(self.temp_copies(), "no skin copy under %TEMP% while the dialog runs")
        self.assertTrue(run.running())

        self.click(window, START)
        seen = self.wait_page(window, "finish", REMOVED_WITHIN)
        # The progress page lasts two seconds at least: polled faster, it is seen.
        self.assertIn("progress", seen)
        self.assert_page_drawn("finish")

        self.click(window, CLOSE_FINISHED)
        self.assertEqual(run.wait(EXITS_WITHIN), 0)
        self.assertEqual(self.temp_copies(), [])
        self.assertIsNone(m.service_state(sample_product.SERVICE))
        self.assertFalse(m.exists(desktop_link[0]))
        m.restart()
        self.assertFalse(m.exists(sample_product.PRODUCT_DIR))


class Wine64BitLeg(InteractiveRun, unittest.TestCase):
    leg = "x64"


class Wine32BitLeg(InteractiveRun, unittest.TestCase):
    leg = "x86"


if __name__ == "__main__":
    unittest.main()
