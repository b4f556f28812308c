"""The main window as a user meets it: its layout against the window
definition, the output folder, the program's folder in a drive root, and
the two ways to leave."""

import tempfile
import unittest
from pathlib import Path

import harness

# id: (class, text, left, top, width, height, visible, parent id)
# Positions are relative to the parent's client area. None: not checked
# (autosized labels depend on the fonts Wine has). The link labels (106,
# 117) are window-less: test_link_labels.py.
EXPECTED = {
    100: ("TPanel", "", 0, 0, 535, 343, True, None),
    101: ("TPanel", "", 0, 0, 535, 105, True, 100),
    102: ("Static", "Nimbrel", 16, 5, None, None, True, 101),
    103: ("Static", None, 16, 77, None, None, True, 101),
    104: ("TPanel", "", 0, 105, 535, 238, True, 100),
    105: ("Static", "Install.ESD oder Install.WIM konvertieren", 16, 6, None, None, True, 104),
    107: ("Static", "Die Download-Versionen von Windows 8/10 enthalten eine Install.ESD oder Install.WIM, "
                    "die sich nicht zusammen mit Winbuilder und ähnlichen Tools  verwenden lassen.  Sie müssen "
                    "diese in eine neue Install.WIM überführen. ", 16, 42, 492, 48, True, 104),
    108: ("Edit", "", 16, 102, 361, 21, True, 104),
    109: ("Button", "...", 390, 90, 32, 40, True, 104),
    110: ("Static", "Index:", 434, 105, None, None, True, 104),
    111: ("ComboBox", "1", 472, 102, 39, 21, True, 104),
    112: ("Button", "Konvertieren", 16, 141, 137, 33, True, 104),
    113: ("Button", "Beenden", 172, 141, 137, 33, True, 104),
    114: ("Button", "Komprimierung", 318, 136, 193, 84, True, 104),
    115: ("Button", "maximum (für die Weiterverarbeitung)", 16, 15, 161, 33, True, 114),
    116: ("Button", "recovery (für die Installation)", 16, 44, 161, 34, True, 114),
    118: ("msctls_progress32", "", 19, 202, 293, 17, False, 104),
    119: ("Button", "Wimlib statt Dism verwenden (empfohlen, erforderlich für Windows 8.1 Downloads)",
          16, -9, 495, 17, False, 104),
    120: ("Edit", "", 366, 14, 123, 66, False, 104),
    121: ("Static", "", 16, 124, 296, 13, True, 104),
}

# Panel3's focusable controls in tab order.
TAB_ORDER = [109, 108, 113, 112, 114, 111]


class MainWindowLayout(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.install = harness.make_install(cls.tmp.name)
        cls.app = harness.start_nimbrel(cls.install)

    @classmethod
    def tearDownClass(cls):
        cls.app.stop()
        cls.tmp.cleanup()

    def test_window_caption_border_size_and_position(self):
        w = self.app.window()
        self.assertEqual(w["title"], "Nimbrel v1.8")
        self.assertEqual(w["class"], "TForm1")
        self.assertEqual((w["client_width"], w["client_height"]), (535, 343))
        self.assertTrue(w["tool_window"])
        self.assertFalse(w["sizeable"])
        self.assertFalse(w["maximize_box"])
        self.assertFalse(w["minimize_box"])
        self.assertTrue(w["system_menu"])
        # Centred on the primary monitor.
        rect = w["rect"]
        self.assertLessEqual(abs(rect["left"] + rect["width"] / 2 - w["screen_width"] / 2), 1)
        self.assertLessEqual(abs(rect["top"] + rect["height"] / 2 - w["screen_height"] / 2), 1)
        self.app.screenshot("main-window", window_only=True)

    def test_every_control_as_defined(self):
        controls = self.app.controls_by_id()
        for cid, (cls_, text, left, top, width, height, visible, parent) in EXPECTED.items():
            with self.subTest(id=cid):
                self.assertIn(cid, controls)
                c = controls[cid]
                self.assertEqual(c["class"], cls_)
                if text is not None:
                    self.assertEqual(c["text"], text)
                self.assertEqual((c["rect"]["left"], c["rect"]["top"]), (left, top))
                if width is not None:
                    self.assertEqual((c["rect"]["width"], c["rect"]["height"]), (width, height))
                self.assertEqual(c["visible_bit"], visible)
                self.assertTrue(c["enabled"])
                if parent is not None:
                    self.assertEqual(c["parent_id"], parent)

    def test_fonts_and_check_states(self):
        controls = self.app.controls_by_id()
        header = controls[102]["font"]
        self.assertEqual((header["face"], header["height"], header["weight"]), ("Segoe UI", -48, 700))
        self.assertEqual(controls[105]["font"]["height"], -16)
        # 13 pixels where the text fits with them; a font that needs more room
        # (Wine's Tahoma is wider) makes the theme take the largest size that
        # fits (test_theme.py checks that it fits).
        self.assertEqual(controls[107]["font"]["face"], "Tahoma")
        self.assertIn(controls[107]["font"]["height"], range(-13, -5))
        for cid in (108, 109, 111, 112, 113, 115):
            self.assertEqual((controls[cid]["font"]["face"], controls[cid]["font"]["height"]), ("Tahoma", -11))
        self.assertEqual(controls[115]["check"], "checked")
        self.assertEqual(controls[116]["check"], "unchecked")
        self.assertEqual(controls[119]["check"], "checked")
        combo = controls[111]
        self.assertEqual(combo["items"], [str(i) for i in range(1, 10)])
        self.assertEqual(combo["selected"], 0)
        self.assertEqual(controls[118]["position"], 0)

    def test_tab_order_is_the_z_order_of_focusable_controls(self):
        panel3 = [c for c in self.app.controls() if c["parent_id"] == 104]
        order = [c["id"] for c in panel3 if c["tabstop"] and c["visible_bit"] or c["id"] == 114]
        self.assertEqual(order, TAB_ORDER)


class ComboCompletion(unittest.TestCase):
    def test_typing_a_prefix_completes_and_selects(self):
        with tempfile.TemporaryDirectory() as tmp:
            install = harness.make_install(tmp)
            with harness.start_nimbrel(install) as app:
                app.type(111, "7", replace=True)
                combo = app.control(111)
                self.assertEqual(combo["selected"], 6)
                self.assertEqual(combo["edit_text"], "7")
                # Text that completes to no entry leaves none selected.
                app.type(111, "x", replace=True)
                combo = app.control(111)
                self.assertEqual(combo["selected"], -1)
                self.assertEqual(combo["edit_text"], "x")


class ChoosingTheSource(unittest.TestCase):
    def test_file_dialog_replaces_the_text_and_cancel_changes_nothing(self):
        with tempfile.TemporaryDirectory() as tmp:
            install = harness.make_install(tmp)
            source = Path(install) / "Quelle (1) & ä.esd"
            source.write_bytes(b"x")
            with harness.start_nimbrel(install) as app:
                app.set_text(108, "getippter Text")
                app.click(109)
                dialog = app.file_dialog()
                # The filter list shows both entries, the first selected.
                combos = [c for c in dialog.controls(no_fonts=True) if c["class"] == "ComboBox" and
                          c.get("items") and "Alle Dateien (*.*)" in c["items"]]
                self.assertEqual(combos[0]["items"], ["ESD/WIM-Dateien (*.esd,*.wim)", "Alle Dateien (*.*)"])
                self.assertEqual(combos[0]["selected"], 0)
                app.screenshot("file-dialog")
                app.choose_file(harness.win_path(source))
                self.assertEqual(app.control(108)["text"], harness.win_path(source))
                app.click(109)
                app.cancel_file_dialog()
                self.assertEqual(app.control(108)["text"], harness.win_path(source))


class OutputFolder(unittest.TestCase):
    def test_created_silently_and_left_alone_on_a_second_start(self):
        with tempfile.TemporaryDirectory() as tmp:
            install = harness.make_install(tmp)
            wim = Path(install) / "WIM"
            self.assertFalse(wim.exists())
            with harness.start_nimbrel(install) as app:
                app.no_msgbox(500)
            self.assertTrue(wim.is_dir())
            (wim / "keep.txt").write_text("bleibt")
            with harness.start_nimbrel(install) as app:
                app.no_msgbox(500)
            self.assertEqual((wim / "keep.txt").read_text(), "bleibt")
            self.assertEqual(sorted(p.name for p in wim.iterdir()), ["keep.txt"])

    def test_program_in_a_drive_root_uses_that_root(self):
        with tempfile.TemporaryDirectory() as tmp:
            root = Path(tmp) / "laufwerk"
            root.mkdir()
            for item in harness.dist_dir().iterdir():
                target = root / item.name
                if item.is_dir():
                    import shutil
                    shutil.copytree(item, target)
                else:
                    target.write_bytes(item.read_bytes())
            with harness.map_drive("x", root):
                app = harness.Program(root / "Nimbrel.exe", title=harness.MAIN_TITLE, cwd=root)
                try:
                    self.assertTrue((root / "WIM").is_dir())
                    # The batch file is looked up as X:\Tools\..., which proves AppDir = X:\.
                    app.set_text(108, harness.win_path(root / "Nimbrel.exe"))
                    (root / "Tools" / "convertESD_wimlib.bat").unlink()
                    app.click(112)
                    box = app.msgbox()
                    self.assertEqual(box["title"], "Fehler")
                    self.assertEqual(box["text"], "Fehler: X:\\Tools\\convertESD_wimlib.bat nicht gefunden.\r"
                                                  "Bitte entpacken Sie das kommplette Tool-Pakte.")
                    app.press("OK")
                finally:
                    app.stop()


class Leaving(unittest.TestCase):
    def test_beenden_ends_the_program(self):
        with tempfile.TemporaryDirectory() as tmp:
            with harness.start_nimbrel(harness.make_install(tmp)) as app:
                app.click(113)
                self.assertEqual(app.wait_exit(30), 0)

    def test_close_box_ends_the_program(self):
        with tempfile.TemporaryDirectory() as tmp:
            with harness.start_nimbrel(harness.make_install(tmp)) as app:
                app.close()
                self.assertEqual(app.wait_exit(30), 0)


if __name__ == "__main__":
    unittest.main()
