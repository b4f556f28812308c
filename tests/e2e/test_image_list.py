"""The source file's images in the real Nimbrel.exe, asked in the background
of the host's wimlib (through the bridge): the index entries, the names in
the drop-down list and on the hint line, and the checks before the long
write."""

import shutil
import subprocess
import time
import unittest

import harness
from test_conversion import (ID_COMBO, ID_CONVERT, ID_HINT, ID_SOURCE, ConversionBase, host, image_info,
                             wait_for_hint)

# A consumer ESD's editions, in its order.
EDITIONS = ["Core:Windows 10 Home", "CoreN:Windows 10 Home N", "CoreSingleLanguage:Windows 10 Home Single Language",
            "Education:Windows 10 Education", "EducationN:Windows 10 Education N", "Professional:Windows 10 Pro",
            "ProfessionalN:Windows 10 Pro N", "ProfessionalEducation:Windows 10 Pro Education",
            "ProfessionalEducationN:Windows 10 Pro Education N",
            "ProfessionalWorkstation:Windows 10 Pro for Workstations",
            "ProfessionalWorkstationN:Windows 10 Pro N for Workstations"]
PALETTE = harness.palette()


def make_eleven(folder):
    content = folder / "elf"
    content.mkdir()
    esd = folder / "elf Editionen.esd"
    for i, edition in enumerate(EDITIONS):
        edition_id, name = edition.split(":")
        (content / "edition.txt").write_text(name)
        result = host("capture" if i == 0 else "append", content, esd, name, "--solid",
                      f"--image-property=WINDOWS/EDITIONID={edition_id}", "--image-property=WINDOWS/ARCH=9")
        assert result.returncode == 0, result.stdout
    return esd


class ImageList(ConversionBase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.eleven = make_eleven(cls.scratch)

    def drop_down(self, app, name):
        """Opens the index list, screenshots it and answers its rectangle and pixels."""
        app.click_at(control_id=ID_COMBO, x=30, y=10)  # the arrow
        found = app.driver("windows", "--pid", app.pid, "--class", "ComboLBox")["windows"]
        rect = harness.Window(found[0]["hwnd"], app.pid).window(no_fonts=True)["rect"]
        harness.screenshot(name)
        pixels = harness.grab(rect)
        app.click_at(control_id=ID_COMBO, x=30, y=10)  # closed again
        return rect, pixels

    def test_eleven_images_by_name_and_index_11_converts(self):
        install = self.install()
        with harness.start_nimbrel(install) as app:
            app.set_text(ID_SOURCE, harness.win_path(self.eleven))  # typed
            self.assertRegex(wait_for_hint(app), r"^Image 1: Windows 10 Home · x64 · \d+ Bytes$")
            self.assertEqual(app.control(ID_COMBO)["items"], [str(i) for i in range(1, 12)])
            for index, hint in (("6", "Image 6: Windows 10 Pro · x64 · "), ("11", "Image 11: Windows 10 Pro N ")):
                app.type(ID_COMBO, index, replace=True)
                self.assertTrue(app.control(ID_HINT)["text"].startswith(hint), app.control(ID_HINT)["text"])
            rect, _ = self.drop_down(app, "image-list-eleven-names")
            self.assertGreater(rect["width"], 3 * app.control(ID_COMBO)["rect"]["width"])
            app.screenshot("image-list-hint", window_only=True)
            app.click(ID_CONVERT)
            self.assertTrue(app.msgbox(title="Nimbrel")["text"].endswith(' LZX 11 "'))
            app.press("OK", title="Nimbrel")
            self.assertEqual(app.msgbox(timeout=180000)["title"], "Informationen")
            app.press("OK")
        self.assertEqual(image_info(install / "WIM" / "install.wim")[2], ["Windows 10 Pro N for Workstations"])

    def test_an_index_beyond_the_images_is_dimmed_and_refused_and_nothing_starts(self):
        install = self.install()
        with harness.start_nimbrel(install) as app:
            app.set_text(ID_SOURCE, harness.win_path(self.source_in(install)))
            wait_for_hint(app)
            _, pixels = self.drop_down(app, "image-list-dimmed-numbers")
            # Nine entries of equal height: the file's two in the list's text colour, the others dimmed.
            rows = [pixels.counts(0, pixels.height * i // 9, 20, pixels.height * (i + 1) // 9) for i in range(9)]
            self.assertEqual([PALETTE["DisabledText"] in row for row in rows], [False] * 2 + [True] * 7)
            app.type(ID_COMBO, "9", replace=True)
            self.assertEqual(app.control(ID_HINT)["text"], "Kein Image 9: die Datei enthält 2 Images.")
            app.click(ID_CONVERT)
            self.expect_box(app, "Fehler", "Die Quelldatei enthält kein Image mit dem Index 9 (sie enthält 2 Images).")
            self.assert_idle(app)
            self.assertEqual(app.driver("children", "--pid", app.pid)["children"], [])

    def test_too_little_room_on_the_output_drive_is_asked_about(self):
        small = self.scratch / "klein"
        small.mkdir()
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", str(small)], capture_output=True)
        if mounted.returncode != 0:
            self.skipTest("cannot mount a small file system here: " + mounted.stderr.decode(errors="replace"))
        try:
            install = self.install()
            shutil.rmtree(install / "WIM", ignore_errors=True)
            (install / "WIM").symlink_to(small)
            with harness.start_nimbrel(install) as app:
                app.set_text(ID_SOURCE, harness.win_path(self.source_in(install)))
                wait_for_hint(app)
                for answer in (7, 6):  # IDNO, then IDYES
                    app.click(ID_CONVERT)
                    box = app.msgbox(title="Warnung")
                    self.assertRegex(box["text"], r"WIM sind nur 64,0 KB frei, die neue Install\.wim wird aber "
                                                  r"voraussichtlich etwa [\d,]+ MB groß\.\r\rTrotzdem konvertieren\?$")
                    self.assertEqual(box["icon_kind"], "warning")
                    app.press(answer, title="Warnung")
                    if answer == 7:
                        self.assert_idle(app)
                        app.no_msgbox(500)
                # "Ja": the conversion starts, and this small image fits after all.
                app.press("OK", title="Nimbrel")
                self.assertEqual(app.msgbox(timeout=180000)["title"], "Informationen")
                app.press("OK")
            self.assertEqual(image_info(small / "install.wim")[2], ["Eins"])
        finally:
            subprocess.run(["umount", str(small)], capture_output=True)

    def test_a_source_path_of_over_260_characters_dropped_converts(self):
        install = self.install()
        folder = self.scratch / "lang"
        while len(harness.win_path(folder)) < 250:
            folder = folder / "Ein recht langer Ordnername mit Ümlaut & (Klammern)"
        folder.mkdir(parents=True)
        source = folder / "install.esd"
        shutil.copy(self.esd, source)
        self.assertGreater(len(harness.win_path(source)), 260)
        with harness.start_nimbrel(install) as app:
            app.drop_files([harness.win_path(source)])
            self.assertEqual(app.control(ID_SOURCE)["text"], harness.win_path(source))
            self.assertTrue(wait_for_hint(app).startswith("Image 1: Eins"))
            app.type(ID_COMBO, "2", replace=True)
            app.click(ID_CONVERT)
            app.press("OK", title="Nimbrel")
            self.assertEqual(app.msgbox(timeout=180000)["title"], "Informationen")
            app.press("OK")
        self.assertEqual(image_info(install / "WIM" / "install.wim")[2], ["Zwei"])


if __name__ == "__main__":
    unittest.main()
