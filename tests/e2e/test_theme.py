"""The visual theme "Smokey Quartz Kamri" as a user sees it, measured on the
screen at 96 and at 144 DPI: surfaces and button states in the palette's
colours, every text readable against what is behind it, no label cut off,
and at 144 DPI both windows one and a half times as large with every
control in its place. One session per resolution does what a user does
(hovers, presses, converts, opens "Wim-Info") and keeps what the screen
showed; the tests judge it."""

import contextlib
import shutil
import tempfile
import threading
import time
import unittest
from pathlib import Path

import harness
from test_conversion import NIMCHILD, make_test_install
from test_info_viewer import make_wim
from test_main_window import EXPECTED

PALETTE = harness.palette()
RED = (255, 0, 0)
ID_PANEL3, ID_SOURCE, ID_COMBO, ID_SELECT, ID_CONVERT, ID_EXIT = 104, 108, 111, 109, 112, 113
ID_GROUP, ID_RD1, ID_RD2, ID_PROGRESS = 114, 115, 116, 118
ID_INFO_MEMO, ID_INFO_CLOSE = 201, 202
# The window-less link labels in Panel3's client area at 96 DPI: left, top, width, height.
LINK1 = (390, 11, 137, 13)
LINK2 = (19, 183, 222, 13)
TEXT_CONTRAST, MUTED_CONTRAST = 4.5, 3.0


def scaled(value, dpi):
    """A 96-DPI size at dpi, as the program scales it (halves away from zero)."""
    sign = -1 if value < 0 else 1
    return sign * ((abs(value) * dpi + 48) // 96)


def text_on_surface(pixels, area):
    """(text colour, background colour) of a part of the screen: the colour
    most of it shows, and of the colours that make up some pixels of it the
    one that stands out most against that."""
    counts = pixels.counts(*area)
    background = max(counts, key=counts.get)
    others = [colour for colour, n in counts.items() if n >= 3 and colour != background]
    if not others:
        return None, background
    return max(others, key=lambda colour: harness.contrast(colour, background)), background


class Screen:
    """What a window showed at one moment: its client area's pixels and its
    controls (positions in the window's client area)."""

    def __init__(self, window, name):
        info = window.window(no_fonts=True)
        self.client = {"left": info["client_origin"]["x"], "top": info["client_origin"]["y"],
                       "width": info["client_width"], "height": info["client_height"]}
        self.info = info
        self.controls = {}
        for c in window.controls():
            self.controls.setdefault(c["id"], c)
        harness.screenshot(name, self.client)
        self.pixels = harness.grab(self.client)

    def area(self, control_id, inset=0, left=0):
        """The control's rectangle in the client area, shrunk by inset on
        each side and by left more on its left."""
        r = self.controls[control_id]["window_rect"]
        return (r["left"] + inset + left, r["top"] + inset, r["left"] + r["width"] - inset,
                r["top"] + r["height"] - inset)

    def at(self, control_id, x, y):
        r = self.controls[control_id]["window_rect"]
        return self.pixels.at(r["left"] + x, r["top"] + y)


class ThemeAt96Dpi(unittest.TestCase):
    DPI = 96

    @classmethod
    def setUpClass(cls):
        cls.stack = contextlib.ExitStack()
        try:
            cls.scratch = Path(tempfile.mkdtemp(prefix=f"nimbrel-e2e-theme{cls.DPI}-"))
            cls.stack.callback(shutil.rmtree, cls.scratch, True)
            if cls.DPI != 96:
                cls.stack.enter_context(harness.wine_at_dpi(cls.DPI))
            cls.source = make_wim(cls.scratch, 2)
            # A conversion that works for a few seconds and then fails.
            batch = b'@echo off\r\n"%~dp0nimchild.exe" sleep 3000\r\nexit /b 0\r\n'
            install = make_test_install(cls.scratch, {"Tools/convertESD_wimlib.bat": batch,
                                                      "Tools/nimchild.exe": NIMCHILD})
            cls.app = cls.stack.enter_context(harness.start_nimbrel(install))
            cls.session()
        except BaseException:
            cls.stack.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.stack.close()

    @classmethod
    def s(cls, value):
        return scaled(value, cls.DPI)

    @classmethod
    def hold(cls, seconds_before_look, name, **click):
        """Holds the left button down as click says, looks at the window
        meanwhile, and releases it."""
        holding = threading.Thread(target=cls.app.click_at,
                                   kwargs=dict(click, hold=True, hold_ms=int(seconds_before_look * 1000) + 1500))
        holding.start()
        time.sleep(seconds_before_look)
        screen = Screen(cls.app, name)
        holding.join()
        return screen

    @classmethod
    def session(cls):
        app, tag = cls.app, f"theme-{cls.DPI}dpi"
        app.driver("move", *app.sel, "--x", -40, "--y", -40)  # the pointer away from every control
        app.set_text(ID_SOURCE, harness.win_path(cls.source))
        time.sleep(0.5)
        cls.rest = Screen(app, f"{tag}-main")
        app.driver("move", *app.sel, "--id", ID_CONVERT, "--x", cls.s(68), "--y", cls.s(16))
        time.sleep(0.6)  # the fade to hot takes 150 ms
        cls.hot = Screen(app, f"{tag}-button-hot")
        cls.pressed = cls.hold(0.8, f"{tag}-button-pressed", control_id=ID_CONVERT)
        # The release was a click: the command line is shown, then the conversion runs.
        app.press("OK", title="Nimbrel")
        time.sleep(1.5)
        cls.converting = Screen(app, f"{tag}-converting")
        app.press("OK", title="Fehler", timeout=60000)
        # The pressed link, then its query's dialog.
        left, top = cls.s(LINK2[0] + 10), cls.s(LINK2[1] + 6)
        cls.link_pressed = cls.hold(0.8, f"{tag}-link-pressed", x=left, y=top, control_id=ID_PANEL3)
        dialog = app.window_of("Wim-Info", timeout=60)
        time.sleep(0.5)
        cls.info = Screen(dialog, f"{tag}-info")
        app.driver("click", "--hwnd", dialog.hwnd, "--id", ID_INFO_CLOSE)
        dialog.wait_gone()

    # ---- the tests

    def test_surfaces_and_states_in_the_palettes_colours(self):
        s = self.s
        panel3 = self.rest.controls[ID_PANEL3]["window_rect"]
        link = (panel3["left"] + s(LINK2[0]) + s(LINK2[2]) - 3, panel3["top"] + s(LINK2[1]) + 2)
        progress = self.converting.controls[ID_PROGRESS]["window_rect"]
        cases = [
            # what, the colour shown, the palette's role
            ("window background", self.rest.at(ID_PANEL3, s(5), s(230)), "Form"),
            ("header background", self.rest.at(101, s(300), s(40)), "Form"),
            # Inside the border, outside the focus rectangle.
            ("button face", self.rest.at(ID_EXIT, s(3), s(3)), "ButtonFace"),
            ("button face under the pointer", self.hot.at(ID_CONVERT, s(3), s(3)), "ButtonHotFace"),
            ("button face pressed", self.pressed.at(ID_CONVERT, s(3), s(3)), "ButtonPressedFace"),
            ("disabled button face", self.converting.at(ID_EXIT, s(3), s(3)), "ButtonDisabledFace"),
            ("group box frame", self.rest.at(ID_GROUP, 0, s(50)), "GroupFrame"),
            ("edit field", self.rest.at(ID_SOURCE, s(355), s(10)), "EditBackground"),
            ("link label", self.rest.pixels.at(*link), "Face"),
            ("progress fill", self.converting.pixels.at(progress["left"] + s(3), progress["top"] + s(8)),
             "ProgressFill"),
            ("progress track", self.converting.pixels.at(progress["left"] + progress["width"] - s(3),
                                                         progress["top"] + s(8)), "ProgressTrack"),
            ("dialog background", self.info.pixels.at(s(300), s(8)), "Face"),
        ]
        for what, shown, role in cases:
            with self.subTest(what):
                self.assertEqual(shown, PALETTE[role], f"{what} should be {role}")

    def test_every_text_reads_against_what_is_behind_it(self):
        s = self.s
        panel3 = self.rest.controls[ID_PANEL3]["window_rect"]

        def link(label):
            left, top, width, height = label
            return (panel3["left"] + s(left), panel3["top"] + s(top), panel3["left"] + s(left + width),
                    panel3["top"] + s(top + height))

        group = self.rest.area(ID_GROUP)
        glyph = s(17)  # a radio button's text stands right of its circle
        combo = self.rest.area(ID_COMBO)
        memo = self.info.area(ID_INFO_MEMO)
        cases = [
            # what, screen, area, the surface's role, the contrast needed
            ("Nimbrel", self.rest, self.rest.area(102), "Form", TEXT_CONTRAST),
            ("system line", self.rest, self.rest.area(103), "Form", TEXT_CONTRAST),
            ("heading", self.rest, self.rest.area(105), "Form", TEXT_CONTRAST),
            ("explanation", self.rest, self.rest.area(107), "Form", TEXT_CONTRAST),
            ("Index:", self.rest, self.rest.area(110), "Form", TEXT_CONTRAST),
            ("...", self.rest, self.rest.area(ID_SELECT, s(3)), "ButtonFace", TEXT_CONTRAST),
            ("Konvertieren", self.rest, self.rest.area(ID_CONVERT, s(3)), "ButtonFace", TEXT_CONTRAST),
            ("Beenden", self.rest, self.rest.area(ID_EXIT, s(3)), "ButtonFace", TEXT_CONTRAST),
            ("group box caption", self.rest, (group[0] + s(6), group[1], group[2] - s(6), group[1] + s(12)), "Form",
             TEXT_CONTRAST),
            ("maximum", self.rest, self.rest.area(ID_RD1, 0, glyph), "Form", TEXT_CONTRAST),
            ("recovery", self.rest, self.rest.area(ID_RD2, 0, glyph), "Form", TEXT_CONTRAST),
            ("source path", self.rest, self.rest.area(ID_SOURCE, s(3)), "EditBackground", TEXT_CONTRAST),
            ("index", self.rest, (combo[0] + s(3), combo[1] + s(3), combo[2] - s(19), combo[3] - s(3)),
             "EditBackground", TEXT_CONTRAST),
            ("Info zu Nimbrel", self.rest, link(LINK1), "Face", TEXT_CONTRAST),
            ("Infos zur WIM-Datei anzeigen", self.rest, link(LINK2), "Face", TEXT_CONTRAST),
            ("disabled Konvertieren", self.converting, self.converting.area(ID_CONVERT, s(3)), "ButtonDisabledFace",
             MUTED_CONTRAST),
            ("disabled Beenden", self.converting, self.converting.area(ID_EXIT, s(3)), "ButtonDisabledFace",
             MUTED_CONTRAST),
            ("Wim-Info:", self.info, self.info.area(200), "Face", TEXT_CONTRAST),
            ("memo text", self.info, (memo[0] + s(4), memo[1] + s(4), memo[2] - s(24), memo[3] - s(24)),
             "EditBackground", TEXT_CONTRAST),
            ("Schließen", self.info, self.info.area(ID_INFO_CLOSE, s(3)), "ButtonFace", TEXT_CONTRAST),
        ]
        for what, screen, area, surface, needed in cases:
            with self.subTest(what):
                text, background = text_on_surface(screen.pixels, area)
                self.assertEqual(background, PALETTE[surface], f"{what}: the surface")
                self.assertIsNotNone(text, f"{what}: no text to be seen")
                ratio = harness.contrast(text, background)
                print(f"{self.DPI} DPI  {what:30} {text} on {background}: {ratio:5.2f}")
                self.assertGreaterEqual(ratio, needed, f"{what}: {text} on {background}")

    def test_a_pressed_link_is_red(self):
        panel3 = self.link_pressed.controls[ID_PANEL3]["window_rect"]
        left, top, width, height = (self.s(v) for v in LINK2)
        counts = self.link_pressed.pixels.counts(panel3["left"] + left, panel3["top"] + top,
                                                 panel3["left"] + left + width, panel3["top"] + top + height)
        self.assertGreater(counts.get(RED, 0), 20)

    def test_no_label_is_cut_off(self):
        for screen in (self.rest, self.info):
            for c in screen.controls.values():
                if c["class"] != "Static" or not c["visible"]:
                    continue
                with self.subTest(label=c["text"][:30]):
                    needs = c["text_needs"]
                    self.assertLessEqual(needs["height"], c["rect"]["height"])
                    self.assertLessEqual(needs["width"], c["rect"]["width"])
                    # Made smaller only where it had to be.
                    designed = {102: 48, 105: 16, 107: 13}.get(c["id"], 11)
                    self.assertLessEqual(-c["font"]["height"], self.s(designed))

    def test_both_windows_scale_and_every_control_keeps_its_place(self):
        s = self.s
        for screen, width, height in ((self.rest, 535, 343), (self.info, 513, 328)):
            with self.subTest(window=screen.info["title"]):
                self.assertLessEqual(abs(screen.info["client_width"] - width * self.DPI / 96), 1)
                self.assertLessEqual(abs(screen.info["client_height"] - height * self.DPI / 96), 1)
        for cid, (_, _, left, top, width, height, _, _) in EXPECTED.items():
            with self.subTest(id=cid):
                r = self.rest.controls[cid]["rect"]
                self.assertLessEqual(abs(r["left"] - left * self.DPI / 96), 1)
                self.assertLessEqual(abs(r["top"] - top * self.DPI / 96), 1)
                if width is not None:
                    self.assertLessEqual(abs(r["width"] - width * self.DPI / 96), 1)
                    self.assertLessEqual(abs(r["height"] - height * self.DPI / 96), 1)
        for cid, (left, top, width, height) in {200: (8, 16, None, None), ID_INFO_MEMO: (8, 35, 497, 254),
                                                ID_INFO_CLOSE: (392, 295, 113, 25)}.items():
            with self.subTest(id=cid):
                r = self.info.controls[cid]["rect"]
                self.assertEqual((r["left"], r["top"]), (s(left), s(top)))
                if width is not None:
                    self.assertEqual((r["width"], r["height"]), (s(left + width) - s(left), s(top + height) - s(top)))


class ThemeAt144Dpi(ThemeAt96Dpi):
    DPI = 144


if __name__ == "__main__":
    unittest.main()
