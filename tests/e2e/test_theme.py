"""The visual theme "Smokey Quartz Kamri" as a user sees it, measured on the
screen at 96 and at 144 DPI. One session per resolution does what a user
does (hovers, presses, converts, opens "Wim-Info") and keeps what the screen
showed; the tests judge it: palette colours, the contrast of every text,
no label cut off, and every control in its place at the window's scale."""

import contextlib
import shutil
import tempfile
import threading
import time
import unittest
from pathlib import Path

import harness
from test_conversion import ID_HINT, NIMCHILD, make_test_install, wait_for_hint
from test_info_viewer import make_wim
from test_main_window import EXPECTED

PALETTE = harness.palette()
ID_PANEL3, ID_SOURCE, ID_COMBO, ID_CONVERT, ID_EXIT, ID_GROUP, ID_PROGRESS = 104, 108, 111, 112, 113, 114, 118
ID_INFO_MEMO, ID_INFO_CLOSE = 201, 202
# The window-less link labels in Panel3's client area at 96 DPI: left, top, width, height.
LINK1, LINK2 = (390, 11, 137, 13), (19, 183, 222, 13)
TEXT, MUTED = 4.5, 3.0  # the contrast text needs, and disabled text


def text_on_surface(pixels, area):
    """(text colour, background) of a part of the screen: the colour most of
    it shows, and of the others that make up some pixels the one that stands
    out most against it."""
    counts = pixels.counts(*area)
    background = max(counts, key=counts.get)
    others = [colour for colour, n in counts.items() if n >= 3 and colour != background]
    return max(others, key=lambda c: harness.contrast(c, background), default=None), background


class Screen:
    """A window's client area as it was shown, and its controls."""

    def __init__(self, window, name):
        self.info = window.window(no_fonts=True)
        self.client = {"left": self.info["client_origin"]["x"], "top": self.info["client_origin"]["y"],
                       "width": self.info["client_width"], "height": self.info["client_height"]}
        self.controls = {}
        for c in window.controls():
            self.controls.setdefault(c["id"], c)
        harness.screenshot(name, self.client)
        self.pixels = harness.grab(self.client)

    def area(self, control_id, inset=0, left=0, right=0, bottom=0):
        """A control's rectangle in the client area, made smaller."""
        r = self.controls[control_id]["window_rect"]
        return (r["left"] + inset + left, r["top"] + inset, r["left"] + r["width"] - inset - right,
                r["top"] + r["height"] - inset - bottom)

    def at(self, control_id, x, y):
        left, top = self.area(control_id)[:2]
        return self.pixels.at(left + x, top + y)


class ThemeAt96Dpi(unittest.TestCase):
    DPI = 96

    @classmethod
    def s(cls, value):
        """A 96-DPI size at the class's resolution, as the program scales it."""
        return (1 if value >= 0 else -1) * ((abs(value) * cls.DPI + 48) // 96)

    @classmethod
    def setUpClass(cls):
        cls.stack = contextlib.ExitStack()
        try:
            scratch = Path(tempfile.mkdtemp(prefix=f"nimbrel-e2e-theme{cls.DPI}-"))
            cls.stack.callback(shutil.rmtree, scratch, True)
            if cls.DPI != 96:
                cls.stack.enter_context(harness.wine_at_dpi(cls.DPI))
            source = make_wim(scratch, 2)
            # A conversion that works for a few seconds and then fails.
            batch = b'@echo off\r\n"%~dp0nimchild.exe" sleep 3000\r\nexit /b 0\r\n'
            install = make_test_install(scratch, {"Tools/convertESD_wimlib.bat": batch, "Tools/nimchild.exe": NIMCHILD})
            cls.app = cls.stack.enter_context(harness.start_nimbrel(install))
            cls.session(harness.win_path(source))
        except BaseException:
            cls.stack.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.stack.close()

    @classmethod
    def hold(cls, name, **click):
        """Looks at the window while the left button is held down as click says."""
        holding = threading.Thread(target=cls.app.click_at, kwargs=dict(click, hold=True, hold_ms=2300))
        holding.start()
        time.sleep(0.8)
        screen = Screen(cls.app, name)
        holding.join()
        return screen

    @classmethod
    def session(cls, source):
        app, tag = cls.app, f"theme-{cls.DPI}dpi"
        app.driver("move", *app.sel, "--x", -40, "--y", -40)  # the pointer away from every control
        app.set_text(ID_SOURCE, source)
        wait_for_hint(app)  # the hint line names the file's first image
        cls.rest = Screen(app, f"{tag}-main")
        app.driver("move", *app.sel, "--id", ID_CONVERT, "--x", cls.s(68), "--y", cls.s(16))
        time.sleep(0.6)  # the fade to hot takes 150 ms
        cls.hot = Screen(app, f"{tag}-button-hot")
        cls.pressed = cls.hold(f"{tag}-button-pressed", control_id=ID_CONVERT)
        # The release was a click: the command line is shown, then the conversion runs.
        app.press("OK", title="Nimbrel")
        time.sleep(1.5)
        cls.converting = Screen(app, f"{tag}-converting")
        app.press("OK", title="Fehler", timeout=60000)
        cls.link = cls.hold(f"{tag}-link-pressed", x=cls.s(LINK2[0] + 10), y=cls.s(LINK2[1] + 6),
                            control_id=ID_PANEL3)
        dialog = app.window_of("Wim-Info", timeout=60)  # the link's query
        time.sleep(0.5)
        cls.info = Screen(dialog, f"{tag}-info")
        app.driver("click", "--hwnd", dialog.hwnd, "--id", ID_INFO_CLOSE)
        dialog.wait_gone()

    def link_area(self, screen, label):
        left, top = screen.area(ID_PANEL3)[:2]
        return (left + self.s(label[0]), top + self.s(label[1]), left + self.s(label[0] + label[2]),
                top + self.s(label[1] + label[3]))

    def test_surfaces_and_button_states_in_the_palettes_colours(self):
        s, progress = self.s, self.converting.area(ID_PROGRESS)
        link = self.link_area(self.rest, LINK2)
        cases = [
            ("window background", self.rest.at(ID_PANEL3, s(5), s(230)), "Form"),
            ("header background", self.rest.at(101, s(300), s(40)), "Form"),
            # Button faces inside the border, outside the focus rectangle.
            ("button face", self.rest.at(ID_EXIT, s(3), s(3)), "ButtonFace"),
            ("button face under the pointer", self.hot.at(ID_CONVERT, s(3), s(3)), "ButtonHotFace"),
            ("button face pressed", self.pressed.at(ID_CONVERT, s(3), s(3)), "ButtonPressedFace"),
            ("disabled button face", self.converting.at(ID_EXIT, s(3), s(3)), "ButtonDisabledFace"),
            ("group box frame", self.rest.at(ID_GROUP, 0, s(50)), "GroupFrame"),
            ("edit field", self.rest.at(ID_SOURCE, s(355), s(10)), "EditBackground"),
            ("link label", self.rest.pixels.at(link[2] - 3, link[1] + 2), "Face"),
            ("progress fill", self.converting.pixels.at(progress[0] + s(3), progress[1] + s(8)), "ProgressFill"),
            ("progress track", self.converting.pixels.at(progress[2] - s(3), progress[1] + s(8)), "ProgressTrack"),
            ("dialog background", self.info.pixels.at(s(300), s(8)), "Face"),
        ]
        for what, shown, role in cases:
            with self.subTest(what):
                self.assertEqual(shown, PALETTE[role], f"{what} should be {role}")
        # The pressed link is red (momentary, and exempt from the contrast rule).
        self.assertGreater(self.link.pixels.counts(*self.link_area(self.link, LINK2)).get((255, 0, 0), 0), 20)

    def test_every_text_reads_against_what_is_behind_it(self):
        s, rest, info, conv = self.s, self.rest, self.info, self.converting
        group = rest.area(ID_GROUP)
        cases = [
            # what, screen, area, the surface's role, the contrast needed
            ("Nimbrel", rest, rest.area(102), "Form", TEXT),
            ("system line", rest, rest.area(103), "Form", TEXT),
            ("heading", rest, rest.area(105), "Form", TEXT),
            ("explanation", rest, rest.area(107), "Form", TEXT),
            ("Index:", rest, rest.area(110), "Form", TEXT),
            ("hint line", rest, rest.area(ID_HINT), "Form", TEXT),
            ("...", rest, rest.area(109, s(3)), "ButtonFace", TEXT),
            ("Konvertieren", rest, rest.area(ID_CONVERT, s(3)), "ButtonFace", TEXT),
            ("Beenden", rest, rest.area(ID_EXIT, s(3)), "ButtonFace", TEXT),
            ("group box caption", rest, (group[0] + s(6), group[1], group[2] - s(6), group[1] + s(12)), "Form", TEXT),
            # Radio buttons right of their circles.
            ("maximum", rest, rest.area(115, 0, s(17)), "Form", TEXT),
            ("recovery", rest, rest.area(116, 0, s(17)), "Form", TEXT),
            ("source path", rest, rest.area(ID_SOURCE, s(3)), "EditBackground", TEXT),
            ("index", rest, rest.area(ID_COMBO, s(3), 0, s(16)), "EditBackground", TEXT),
            ("Info zu Nimbrel", rest, self.link_area(rest, LINK1), "Face", TEXT),
            ("Infos zur WIM-Datei anzeigen", rest, self.link_area(rest, LINK2), "Face", TEXT),
            ("disabled Konvertieren", conv, conv.area(ID_CONVERT, s(3)), "ButtonDisabledFace", MUTED),
            ("disabled Beenden", conv, conv.area(ID_EXIT, s(3)), "ButtonDisabledFace", MUTED),
            ("Wim-Info:", info, info.area(200), "Face", TEXT),
            ("memo text", info, info.area(ID_INFO_MEMO, s(4), 0, s(20), s(20)), "EditBackground", TEXT),
            ("Schließen", info, info.area(ID_INFO_CLOSE, s(3)), "ButtonFace", TEXT),
        ]
        for what, screen, area, surface, needed in cases:
            with self.subTest(what):
                text, background = text_on_surface(screen.pixels, area)
                self.assertEqual(background, PALETTE[surface], f"{what}: the surface")
                self.assertIsNotNone(text, f"{what}: no text to be seen")
                ratio = harness.contrast(text, background)
                print(f"{self.DPI} DPI  {what:30} {text} on {background}: {ratio:5.2f}")
                self.assertGreaterEqual(ratio, needed, f"{what}: {text} on {background}")

    def test_no_label_is_cut_off_nor_smaller_than_designed_without_need(self):
        designed = {102: 48, 105: 16, 107: 13}  # the others 11 pixels
        for screen in (self.rest, self.info):
            for c in (c for c in screen.controls.values() if c["class"] == "Static" and c["visible"]):
                with self.subTest(label=c["text"][:30]):
                    self.assertLessEqual(c["text_needs"]["height"], c["rect"]["height"])
                    self.assertLessEqual(c["text_needs"]["width"], c["rect"]["width"])
                    self.assertLessEqual(-c["font"]["height"], self.s(designed.get(c["id"], 11)))

    def test_both_windows_at_their_scale_with_every_control_in_its_place(self):
        scale = self.DPI / 96
        for screen, width, height in ((self.rest, 535, 343), (self.info, 513, 328)):
            self.assertLessEqual(abs(screen.info["client_width"] - width * scale), 1, screen.info["title"])
            self.assertLessEqual(abs(screen.info["client_height"] - height * scale), 1, screen.info["title"])
        places = [(self.rest, cid, left, top, width, height)
                  for cid, (_, _, left, top, width, height, _, _) in EXPECTED.items()]
        places += [(self.info, 200, 8, 16, None, None), (self.info, ID_INFO_MEMO, 8, 35, 497, 254),
                   (self.info, ID_INFO_CLOSE, 392, 295, 113, 25)]
        for screen, cid, left, top, width, height in places:
            with self.subTest(id=cid):
                r = screen.controls[cid]["rect"]
                wanted = {"left": left, "top": top, "width": width, "height": height}
                for key, value in wanted.items():
                    if value is not None:  # labels sized by their text: their own size
                        self.assertLessEqual(abs(r[key] - value * scale), 1, key)


class ThemeAt144Dpi(ThemeAt96Dpi):
    DPI = 144


if __name__ == "__main__":
    unittest.main()
