"""The image information viewer of the real Nimbrel.exe: "Infos zur
WIM-Datei anzeigen" runs wimlib-imagex info (the host's, through the
bridge) hidden, collects its output and shows it in "Wim-Info"."""

import shutil
import stat
import tempfile
import time
import unittest
from pathlib import Path

import harness
from test_conversion import BRIDGE, NIMCHILD, host, make_test_install

ID_SOURCE, ID_CONVERT = 108, 112
# The window-less link label "Infos zur WIM-Datei anzeigen": on its link
# text, in Panel3's client area.
LINK2 = {"x": 29, "y": 189, "control_id": 104}
ID_INFO_MEMO, ID_INFO_CLOSE = 201, 202


def make_wim(folder, images):
    content = folder / "inhalt"
    content.mkdir(exist_ok=True)
    (content / "a.txt").write_text("Inhalt " * 100)
    wim = folder / f"bilder{images}.esd"
    for i in range(images):
        (content / f"bild{i}.txt").write_text(f"Bild {i}")
        command = "capture" if i == 0 else "append"
        result = host(command, content, wim, f"Windows 10 Pro Edition Nummer {i + 1}", "--solid",
                      f"--image-property=DESCRIPTION=Beschreibung des Images {i + 1}")
        assert result.returncode == 0, result.stdout
    return wim


def host_info_text(path):
    """What the host's wimlib-imagex info prints, with the path as the Windows
    side gives it (as the Windows tool prints it) and Windows line ends."""
    text = host("info", path).stdout.decode()
    return text.replace(str(path), harness.win_path(path)).replace("\n", "\r\n")


class InfoViewer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="nimbrel-e2e-info-"))
        cls.small = make_wim(cls.scratch, 1)
        cls.large = make_wim(cls.scratch, 6)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def install(self, replace=None, tool=BRIDGE):
        return make_test_install(self.scratch, replace, tool)

    def query(self, app, source):
        app.set_text(ID_SOURCE, harness.win_path(source))
        app.click_at(**LINK2)
        dialog = app.dialog("Wim-Info", timeout=60000)
        memo = next(c for c in dialog["controls"] if c["id"] == ID_INFO_MEMO)
        return dialog, memo["text"]

    def close_dialog(self, app):
        app.driver("click", "--pid", app.pid, "--title", "Wim-Info", "--id", ID_INFO_CLOSE)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if "error" in app.driver("wait-window", "--pid", app.pid, "--title", "Wim-Info", "--timeout", 200,
                                     check=False):
                return
            time.sleep(0.2)
        self.fail("Wim-Info did not close")

    def test_dialog_shows_exactly_what_wimlib_prints_also_beyond_one_piece(self):
        install = self.install()
        with harness.start_nimbrel(install) as app:
            for source in (self.large, self.small):  # the second query shows no stale lines
                with self.subTest(source=source.name):
                    expected = host_info_text(source)
                    if source == self.large:
                        self.assertGreater(len(expected), 1024)
                    dialog, text = self.query(app, source)
                    self.assertEqual(text, expected)
                    self.assertEqual((dialog["client_width"], dialog["client_height"]), (513, 328))
                    app.screenshot(f"wim-info-{source.stem}")
                    self.close_dialog(app)

    def test_names_and_paths_with_umlauts_show_as_the_host_prints_them(self):
        # The host tool writes UTF-8; the Windows tool it stands for writes
        # the ANSI code page, which Nimbrel decodes.
        folder = self.scratch / "Übergröße"
        folder.mkdir()
        content = folder / "inhalt"
        content.mkdir()
        (content / "a.txt").write_text("Inhalt")
        source = folder / "Äpfel.esd"
        result = host("capture", content, source, "Äpfel Öl", "--solid",
                      "--image-property=DESCRIPTION=Größe ändern, Maß übernehmen")
        self.assertEqual(result.returncode, 0, result.stdout)
        expected = host_info_text(source)
        self.assertIn("Äpfel Öl", expected)
        self.assertIn("\\Übergröße\\Äpfel.esd", expected)
        with harness.start_nimbrel(self.install()) as app:
            _, text = self.query(app, source)
            self.assertEqual(text, expected)
            app.screenshot("wim-info-umlauts")
            self.close_dialog(app)

    def test_missing_source_gives_the_error_box(self):
        with harness.start_nimbrel(self.install()) as app:
            app.set_text(ID_SOURCE, "C:\\gibt\\es\\nicht.esd")
            app.click_at(**LINK2)
            box = app.msgbox()
            self.assertEqual((box["title"], box["text"]),
                             ("Fehler", "Fehler: Sie müssen eine ESD/WIM-Datei auswählen."))
            app.press("OK")

    def test_missing_tool_gives_the_system_error_and_no_dialog(self):
        with harness.start_nimbrel(self.install(tool=None)) as app:
            app.set_text(ID_SOURCE, harness.win_path(self.small))
            app.click_at(**LINK2)
            box = app.msgbox(title="Nimbrel")
            self.assertRegex(box["text"], r"^Systemfehler\.  Code: (2|3)\.\r\n.+\.$")
            app.press("OK", title="Nimbrel")
            self.assertIn("error", app.driver("wait-window", "--pid", app.pid, "--title", "Wim-Info",
                                              "--timeout", 1000, check=False))

    def test_a_second_click_while_a_query_runs_is_refused_and_keeps_the_first_text(self):
        # A slow stand-in for wimlib on the host: three lines, with pauses.
        script = self.scratch / "langsam.sh"
        script.write_text("#!/bin/sh\necho Zeile eins\nsleep 2\necho Zeile zwei\nsleep 2\necho Zeile drei\n")
        script.chmod(script.stat().st_mode | stat.S_IEXEC)
        install = self.install()
        with harness.start_nimbrel(install, env={"NIMBREL_BRIDGE_HOST_PROGRAM": str(script)}) as app:
            app.set_text(ID_SOURCE, harness.win_path(self.small))
            app.click_at(**LINK2)
            time.sleep(1)
            app.click_at(**LINK2)
            box = app.msgbox(title="Nimbrel")
            self.assertEqual(box["text"], "Cannot perform this operation when process is running.")
            app.press("OK", title="Nimbrel")
            dialog = app.dialog("Wim-Info", timeout=60000)
            memo = next(c for c in dialog["controls"] if c["id"] == ID_INFO_MEMO)
            self.assertEqual(memo["text"], "Zeile eins\r\nZeile zwei\r\nZeile drei\r\n")
            self.close_dialog(app)

    def test_beenden_during_a_query_ends_the_program_after_it(self):
        script = self.scratch / "langsam2.sh"
        script.write_text("#!/bin/sh\necho Zeile eins\nsleep 4\necho Zeile zwei\n")
        script.chmod(script.stat().st_mode | stat.S_IEXEC)
        with harness.start_nimbrel(self.install(), env={"NIMBREL_BRIDGE_HOST_PROGRAM": str(script)}) as app:
            app.set_text(ID_SOURCE, harness.win_path(self.small))
            app.click_at(**LINK2)
            time.sleep(1)
            app.click(113)  # "Beenden"
            time.sleep(1)
            # Remembered: the window stays while the query runs.
            self.assertTrue(app.alive())
            self.assertTrue(app.window(no_fonts=True)["visible"])
            # The dialog the handler opens closes at once; then the program ends.
            self.assertEqual(app.wait_exit(60), 0)

    def test_a_query_during_a_conversion_works(self):
        batch = b'@echo off\r\n"%~dp0nimchild.exe" sleep 8000\r\nexit /b 0\r\n'
        install = self.install(replace={"Tools/convertESD_wimlib.bat": batch, "Tools/nimchild.exe": NIMCHILD})
        with harness.start_nimbrel(install) as app:
            app.set_text(ID_SOURCE, harness.win_path(self.small))
            app.click(ID_CONVERT)
            app.msgbox(title="Nimbrel")
            app.press("OK", title="Nimbrel")
            app.click_at(**LINK2)
            dialog = app.dialog("Wim-Info", timeout=60000)
            memo = next(c for c in dialog["controls"] if c["id"] == ID_INFO_MEMO)
            self.assertEqual(memo["text"], host_info_text(self.small))
            self.close_dialog(app)
            box = app.msgbox(title="Fehler", timeout=60000)
            self.assertEqual(box["text"], "Fehler: Die Datei Install.wim wurde nicht erstellt.")
            app.press("OK", title="Fehler")


if __name__ == "__main__":
    unittest.main()
