"""Nimbrel without a mouse, with a screen reader and in high contrast: a
screen reader in its own process (the driver) finds the link labels, acts
and navigates; the Tab key reaches the links after the specified order and
Enter or Space runs them; high contrast, made visible to the running program
from the test side (Wine cannot switch it), gives the system's colours and
switching it off brings the palette back."""

import shutil
import tempfile
import threading
import time
import unittest
from pathlib import Path

import harness
from test_conversion import PARTIAL_STUB, make_test_install
from test_link_labels import BrowserRecorder, INFO_URL
from test_theme import PALETTE, Screen

ID_PANEL3, ID_SOURCE, ID_COMBO, ID_CONVERT, ID_GROUP = 104, 108, 111, 112, 114
ROLE_SYSTEM_LINK = 0x1E
STATE_FOCUSABLE, STATE_FOCUSED = 0x100000, 0x4
LINKS = {"Info zu Nimbrel": (390, 11, 137, 13), "Infos zur WIM-Datei anzeigen": (19, 183, 222, 13)}
# Where the Tab key goes from the window: the specified order, then the links.
TAB_CYCLE = [109, 108, 113, 112, 115, 111, "Info zu Nimbrel", "Infos zur WIM-Datei anzeigen", 109]


def rgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


class Accessibility(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="nimbrel-e2e-a11y-"))
        cls.log = cls.scratch / "aufrufe.txt"
        install = make_test_install(cls.scratch, tool=PARTIAL_STUB)
        cls.source = install / "quelle.esd"
        cls.source.write_bytes(b"x")
        cls.browser = BrowserRecorder(cls.scratch).__enter__()
        cls.app = harness.start_nimbrel(install, env={"NIMBREL_STUB_LOG": harness.win_path(cls.log)})
        cls.app.set_text(ID_SOURCE, harness.win_path(cls.source))
        # The window asks for the new path's images by itself first.
        deadline = time.monotonic() + 30
        while not cls.queries() and time.monotonic() < deadline:
            time.sleep(0.2)
        time.sleep(0.5)

    @classmethod
    def tearDownClass(cls):
        cls.app.stop()
        cls.browser.__exit__(None, None, None)
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def reader(self, *args):
        """What a screen reader in its own process learns of Panel3."""
        return self.app.driver("accessible", *self.app.sel, "--id", ID_PANEL3, *map(str, args))

    def links(self, answer):
        return {c["name"]: c for c in answer["children"] if c["role"] == ROLE_SYSTEM_LINK}

    @classmethod
    def queries(cls):
        return [c for c in cls.log.read_text(encoding="utf-8").split("\n\n") if c.strip()] if cls.log.exists() else []

    def close_info(self):
        dialog = self.app.window_of("Wim-Info", timeout=60)
        self.app.driver("click", "--hwnd", dialog.hwnd, "--id", 202)
        dialog.wait_gone()

    def focused_stop(self):
        focus = self.app.focus()["focus"]
        if focus["id"] == ID_PANEL3:
            answer = self.reader()
            return next(c["name"] for c in answer["children"] if c["id"] == answer["focus"])
        return focus["parent_id"] if focus["parent_class"] == "ComboBox" else focus["id"]

    def test_a_screen_reader_in_another_process_finds_uses_and_reaches_the_links(self):
        answer = self.reader()
        links = self.links(answer)
        self.assertEqual(list(links), list(LINKS))
        origin = self.app.window(no_fonts=True)["client_origin"]
        for name, (left, top, width, height) in LINKS.items():
            with self.subTest(name):
                self.assertEqual(links[name]["location"], {"left": origin["x"] + left, "top": origin["y"] + 105 + top,
                                                           "width": width, "height": height})
                self.assertEqual(links[name]["state"] & STATE_FOCUSABLE, STATE_FOCUSABLE)
        # Next from the last child window, the last of the specified tab order, is the first link.
        last = len(answer["children"]) - len(links)
        self.assertEqual(self.reader("--navigate", "next", "--from", last)["navigation"]["to"],
                         links["Info zu Nimbrel"]["id"])
        # The second link's default action starts the information query.
        before = len(self.queries())
        done = self.reader("--do-default", links["Infos zur WIM-Datei anzeigen"]["id"])["default_action"]
        self.assertEqual(done["result"], "0x00000000")
        self.close_info()
        self.assertEqual(len(self.queries()), before + 1)

    def link_pixels(self, name):
        """The blue pixels of a link label's rectangle on the screen."""
        left, top, width, height = LINKS[name]
        origin = self.app.window(no_fonts=True)["client_origin"]
        rect = {"left": origin["x"] + left, "top": origin["y"] + 105 + top, "width": width, "height": height}
        return harness.grab(rect).counts().get((0, 0, 255), 0)

    def test_tab_reaches_the_links_after_the_specified_order_and_enter_and_space_run_them(self):
        unfocused = {name: self.link_pixels(name) for name in LINKS}
        for _ in range(len(TAB_CYCLE)):  # to the start of the order, from wherever the focus is
            if self.focused_stop() == TAB_CYCLE[0]:
                break
            self.app.key(ID_PANEL3, "TAB", post=True)
        seen = [self.focused_stop()]
        for step in TAB_CYCLE[1:]:
            self.app.key(ID_PANEL3, "TAB", post=True)
            seen.append(self.focused_stop())
            if seen[-1] != step or not isinstance(step, str):
                continue
            state = self.links(self.reader())[step]["state"]
            self.assertEqual(state & (STATE_FOCUSABLE | STATE_FOCUSED), STATE_FOCUSABLE | STATE_FOCUSED)
            self.app.screenshot(f"link-focused-{list(LINKS).index(step) + 1}", window_only=True)
            # The focus rectangle around the link text, dotted in the link's colour.
            self.assertGreater(self.link_pixels(step) - unfocused[step], 40, step)
            if step == "Info zu Nimbrel":
                before = len(self.browser.opened())
                self.app.key(ID_PANEL3, "SPACE", post=True)
                self.assertEqual(self.browser.wait_for(before + 1)[before:], [INFO_URL])
            else:
                before = len(self.queries())
                self.app.key(ID_PANEL3, "RETURN", post=True)
                self.close_info()
                self.app.no_msgbox(700)
                self.assertEqual(len(self.queries()), before + 1, "Enter runs exactly one query")
        self.assertEqual(seen, TAB_CYCLE)
        # Without the focus the rectangles are gone.
        self.assertEqual({name: self.link_pixels(name) for name in LINKS}, unfocused)


class HighContrast(unittest.TestCase):
    def sample(self, app, name):
        screen = Screen(app, name)
        link = LINKS["Info zu Nimbrel"]
        panel = screen.area(ID_PANEL3)
        return screen, {
            "window": screen.at(ID_PANEL3, 5, 230),
            "header": screen.at(101, 300, 40),
            "button face": screen.at(ID_CONVERT, 3, 3),
            "edit field": screen.at(ID_SOURCE, 355, 10),
            "link": screen.pixels.counts(panel[0] + link[0], panel[1] + link[1], panel[0] + link[0] + 60,
                                         panel[1] + link[1] + link[3]),
            "heading": screen.pixels.counts(*screen.area(105)),
        }

    def test_on_the_system_colours_and_no_engine_off_the_palette_exactly_again(self):
        scratch = Path(tempfile.mkdtemp(prefix="nimbrel-e2e-hc-"))
        try:
            with harness.start_nimbrel(make_test_install(scratch)) as app:
                app.driver("move", *app.sel, "--x", -40, "--y", -40)
                colours = {k: rgb(v) for k, v in
                           app.driver("high-contrast", *app.sel, "--state", "on")["colors"].items()}
                screen, on = self.sample(app, "high-contrast-on")
                for c in (c for c in screen.controls.values() if c["class"] == "Static" and c["visible"]):
                    self.assertLessEqual(c["text_needs"]["height"], c["rect"]["height"], "cut off: " + c["text"][:30])
                self.assertEqual(on["window"], colours["window"])
                self.assertEqual(on["header"], colours["window"])
                # Buttons and edit fields drawn by the system (in its visual
                # style, under Wine its "Light" one): no engine on them.
                for part, role in (("button face", "ButtonFace"), ("edit field", "EditBackground")):
                    self.assertNotEqual(on[part], PALETTE[role], part)
                self.assertGreater(on["link"].get(colours["hotlight"], 0), 20)
                self.assertGreater(on["heading"].get(colours["window_text"], 0), 30)
                # The pressed link.
                link = LINKS["Infos zur WIM-Datei anzeigen"]
                holding = threading.Thread(target=app.click_at, args=(link[0] + 10, link[1] + 6),
                                           kwargs={"control_id": ID_PANEL3, "hold": True, "hold_ms": 2000})
                holding.start()
                time.sleep(0.8)
                pressed, _ = self.sample(app, "high-contrast-link-pressed")
                holding.join()
                app.press("OK", title="Fehler")  # the release was a click; no source chosen
                area = pressed.area(ID_PANEL3)
                counts = pressed.pixels.counts(area[0] + link[0], area[1] + link[1], area[0] + link[0] + 60,
                                               area[1] + link[1] + link[3])
                self.assertGreater(counts.get(colours["highlight"], 0), 20)

                app.driver("high-contrast", *app.sel, "--state", "off")
                _, off = self.sample(app, "high-contrast-off")
                self.assertEqual(off["window"], PALETTE["Form"])
                self.assertEqual(off["header"], PALETTE["Form"])
                self.assertEqual(off["button face"], PALETTE["ButtonFace"])
                self.assertEqual(off["edit field"], PALETTE["EditBackground"])
                self.assertGreater(off["link"].get((0, 0, 255), 0), 20)
                self.assertGreater(off["heading"].get((255, 255, 255), 0), 30)
        finally:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()
