"""The main window's two link labels as a user meets them: window-less,
drawn from their markup in blue on their own colour, red while a button is
held on the link, and a click on the link text or beside it starts the
label's handler; a double click on "Infos zur WIM-Datei anzeigen" runs one
query."""

import os
import re
import shutil
import subprocess
import tempfile
import threading
import time
import unittest
from pathlib import Path

import harness
from test_conversion import PARTIAL_STUB, TOOL, make_test_install

ID_PANEL3, ID_SOURCE = 104, 108
ID_INFO_CLOSE = 202
# In Panel3's client area: left, top, width (the height is one line).
LABEL1 = (390, 11, 137)  # "Info zu Nimbrel"
LABEL2 = (19, 183, 222)  # "Infos zur WIM-Datei anzeigen"
PANEL3_TOP = 105
TEAL = (0, 64, 80)
BLUE = (0, 0, 255)
RED = (255, 0, 0)
INFO_URL = "https://www.nimbrel.example/info"


def colour_counts(png):
    """{(r, g, b): pixel count} of an image."""
    out = subprocess.run(["convert", str(png), "-depth", "8", "txt:-"], check=True, capture_output=True,
                         text=True, timeout=60).stdout
    counts = {}
    for m in re.finditer(r"^\d+,\d+: \((\d+),(\d+),(\d+)", out, re.M):
        key = tuple(int(v) for v in m.groups())
        counts[key] = counts.get(key, 0) + 1
    return counts


class BrowserRecorder:
    """Wine opens web pages with winebrowser, which runs the programs named
    in its registry value; a script there records the addresses instead of
    starting a browser."""

    KEY = r"HKCU\Software\Wine\WineBrowser"

    def __init__(self, folder):
        self.log = Path(folder) / "geoeffnet.txt"
        self.script = Path(folder) / "browser.sh"
        self.script.write_text(f'#!/bin/sh\nprintf "%s\\n" "$*" >> "{self.log}"\n')
        self.script.chmod(0o755)

    def _reg(self, *args):
        subprocess.run([harness.wine(), "reg", *args], env=harness.wine_env(), check=True, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def __enter__(self):
        self._reg("add", self.KEY, "/v", "Browsers", "/d", str(self.script), "/f")
        return self

    def __exit__(self, *exc):
        self._reg("delete", self.KEY, "/v", "Browsers", "/f")

    def opened(self):
        return self.log.read_text().splitlines() if self.log.exists() else []

    def wait_for(self, count, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and len(self.opened()) < count:
            time.sleep(0.2)
        return self.opened()


class LinkLabels(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="nimbrel-e2e-links-"))
        cls.browser = BrowserRecorder(cls.scratch).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.browser.__exit__(None, None, None)
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def label_shot(self, app, name, label):
        """A screenshot of just the label's rectangle on the screen."""
        left, top, width = label
        origin = app.window(no_fonts=True)["client_origin"]
        rect = {"left": origin["x"] + left, "top": origin["y"] + PANEL3_TOP + top, "width": width, "height": 13}
        return harness.screenshot(name, rect)

    def test_no_window_stands_where_the_labels_are(self):
        with harness.start_nimbrel(make_test_install(self.scratch)) as app:
            ids = app.controls_by_id()
            self.assertNotIn(106, ids)
            self.assertNotIn(117, ids)
            for cid, c in ids.items():
                self.assertNotEqual(c["class"], "TJvLinkLabel", cid)
            # Drawn from the markup: link text in blue on the label's own
            # colour (the panel's Color property), nothing of the teal the
            # panel shows.
            app.screenshot("link-labels-normal", window_only=True)
            for number, label in ((1, LABEL1), (2, LABEL2)):
                counts = colour_counts(self.label_shot(app, f"link-label{number}-normal", label))
                with self.subTest(label=number):
                    self.assertGreater(counts.get(BLUE, 0), 40)
                    self.assertEqual(counts.get(RED, 0), 0)
                    self.assertEqual(counts.get(TEAL, 0), 0)

    def test_a_click_on_the_link_or_beside_it_starts_the_same_handler(self):
        with harness.start_nimbrel(make_test_install(self.scratch)) as app:
            before = len(self.browser.opened())
            # "Info zu Nimbrel": the information page, both ways.
            for n, x in enumerate((LABEL1[0] + 10, LABEL1[0] + LABEL1[2] - 4), start=1):
                app.click_at(x, LABEL1[1] + 6, control_id=ID_PANEL3)
                self.assertEqual(self.browser.wait_for(before + n)[before:], [INFO_URL] * n, x)
            # "Infos zur WIM-Datei anzeigen" without a source: its handler's
            # error box, both ways.
            for x in (LABEL2[0] + 10, LABEL2[0] + LABEL2[2] - 4):
                app.click_at(x, LABEL2[1] + 6, control_id=ID_PANEL3)
                box = app.msgbox()
                self.assertEqual(box["title"], "Fehler", x)
                app.press("OK")
            # Beside the labels nothing happens.
            app.click_at(LABEL2[0] + LABEL2[2] + 3, LABEL2[1] + 6, control_id=ID_PANEL3)
            app.no_msgbox(700)

    def test_a_double_click_runs_one_query(self):
        log = self.scratch / "aufrufe.txt"
        install = make_test_install(self.scratch, tool=PARTIAL_STUB)
        source = install / "quelle.esd"
        source.write_bytes(b"x")
        def calls():
            return [c for c in log.read_text(encoding="utf-8").split("\n\n") if c.strip()] if log.exists() else []
        with harness.start_nimbrel(install, env={"NIMBREL_STUB_LOG": harness.win_path(log)}) as app:
            app.set_text(ID_SOURCE, harness.win_path(source))
            # The window asks for the new path's images by itself first.
            deadline = time.monotonic() + 30
            while not calls() and time.monotonic() < deadline:
                time.sleep(0.2)
            app.click_at(LABEL2[0] + 10, LABEL2[1] + 6, control_id=ID_PANEL3, double=True)
            app.dialog("Wim-Info", timeout=60000)
            app.no_msgbox(700)
            self.assertEqual(len(calls()), 2, calls())
            self.assertTrue(all(call.startswith("info") for call in calls()), calls())
            app.driver("click", "--pid", app.pid, "--title", "Wim-Info", "--id", ID_INFO_CLOSE)

    def test_a_link_is_red_while_a_button_is_held_on_it(self):
        with harness.start_nimbrel(make_test_install(self.scratch)) as app:
            for number, label in ((1, LABEL1), (2, LABEL2)):
                with self.subTest(label=number):
                    holding = threading.Thread(target=app.click_at, args=(label[0] + 10, label[1] + 6),
                                               kwargs={"control_id": ID_PANEL3, "hold": True, "hold_ms": 2500})
                    holding.start()
                    time.sleep(1.2)
                    pressed = colour_counts(self.label_shot(app, f"link-label{number}-pressed", label))
                    app.screenshot(f"link-labels-pressed-{number}", window_only=True)
                    holding.join()
                    self.assertGreater(pressed.get(RED, 0), 40)
                    self.assertEqual(pressed.get(BLUE, 0), 0)
                    if number == 2:
                        app.msgbox()  # the release was a click: no source chosen
                        app.press("OK")
                    time.sleep(0.3)
                    after = colour_counts(self.label_shot(app, f"link-label{number}-released", label))
                    self.assertGreater(after.get(BLUE, 0), 40)
                    self.assertEqual(after.get(RED, 0), 0)


if __name__ == "__main__":
    unittest.main()
