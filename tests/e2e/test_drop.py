"""Dropping files from Explorer on the main window: the first dropped file
goes into the source field as the "..." button would put it, folders are
passed over, and a running conversion keeps its file in view."""

import os
import shutil
import tempfile
import unittest
from pathlib import Path

import harness

NIMCHILD = Path(os.environ.get("NIMBREL_NIMCHILD", ""))
ID_SOURCE, ID_CONVERT = 108, 112


class DropOnTheMainWindow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        root = Path(cls.tmp.name)
        cls.folder = root / "Quellen & (ä) ^!"
        cls.folder.mkdir()
        cls.first = cls.folder / "Install Eins.esd"
        cls.second = cls.folder / "install ü.wim"
        for f in (cls.first, cls.second):
            f.write_bytes(b"MSWIM\0\0\0")

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def source_after_drop(self, app, paths, at=None):
        app.set_text(ID_SOURCE, "vorher")
        x, y = at if at else (None, None)
        app.drop_files([harness.win_path(p) for p in paths], x, y)
        return app.control(ID_SOURCE)["text"]

    def test_what_a_drop_puts_into_the_source_field(self):
        install = harness.make_install(tempfile.mkdtemp(dir=self.tmp.name))
        first, second, folder = self.first, self.second, self.folder
        cases = [
            ("one file, on the header", [first], (40, 40), first),
            ("one file, on the edit field", [second], (100, 112 + 105), second),
            ("two files take the first", [first, second], None, first),
            ("a folder is ignored", [folder], None, None),
            ("the first file after a folder", [folder, second, first], (500, 330), second),
        ]
        with harness.start_nimbrel(install) as app:
            for name, paths, at, expected in cases:
                with self.subTest(name):
                    text = self.source_after_drop(app, paths, at)
                    self.assertEqual(text, harness.win_path(expected) if expected else "vorher")
            app.no_msgbox(500)
            self.assertTrue(app.control(ID_CONVERT)["enabled"])

    def test_a_drop_during_a_conversion_changes_nothing(self):
        batch = b'@echo off\r\n"%~dp0nimchild.exe" sleep 4000\r\nexit /b 0\r\n'
        install = Path(harness.make_install(tempfile.mkdtemp(dir=self.tmp.name),
                                            replace={"Tools/convertESD_wimlib.bat": batch,
                                                     "Tools/nimchild.exe": NIMCHILD,
                                                     "Tools/wimlib_x86/wimlib-imagex.exe": NIMCHILD}))
        with harness.start_nimbrel(install) as app:
            app.set_text(ID_SOURCE, harness.win_path(self.first))
            app.click(ID_CONVERT)
            app.msgbox(title="Nimbrel")
            app.press("OK", title="Nimbrel")
            self.assertFalse(app.control(ID_CONVERT)["enabled"])
            app.drop_files([harness.win_path(self.second)])
            self.assertEqual(app.control(ID_SOURCE)["text"], harness.win_path(self.first))
            box = app.msgbox(timeout=60000)
            self.assertEqual(box["text"], "Fehler: Die Datei Install.wim wurde nicht erstellt.")
            app.press("OK")
            # Idle again: a drop works as before.
            app.drop_files([harness.win_path(self.second)])
            self.assertEqual(app.control(ID_SOURCE)["text"], harness.win_path(self.second))


if __name__ == "__main__":
    unittest.main()
