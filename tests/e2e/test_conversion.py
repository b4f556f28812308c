"""The conversion as a user does it with the real Nimbrel.exe: the checks
before anything starts, a real solid-LZMS ESD converted by the host's
wimlib through the bridge, the exit code ignored, failures, closing the
window while the child runs, and a child that cannot be started."""

import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import harness

HOST_WIMLIB = shutil.which("wimlib-imagex") or "/usr/bin/wimlib-imagex"
BRIDGE = Path(os.environ.get("NIMBREL_WIMBRIDGE", ""))
PARTIAL_STUB = Path(os.environ.get("NIMBREL_WIMSTUB_PARTIAL", ""))
NIMCHILD = Path(os.environ.get("NIMBREL_NIMCHILD", ""))
# Under our 64-bit Wine the program is no WOW64 process: it picks the x86 tool.
TOOL = "Tools/wimlib_x86/wimlib-imagex.exe"

ID_SOURCE, ID_COMBO, ID_CONVERT, ID_EXIT, ID_RD2, ID_PROGRESS, ID_HINT = 108, 111, 112, 113, 116, 118, 121
# The failed batch file's last line; it then waits for a key.
PAUSE_LINE = "Drücken Sie eine beliebige Taste, um dieses Fenster zu schließen."


def host(*args):
    return subprocess.run([HOST_WIMLIB, *map(str, args)], capture_output=True, timeout=300)


def image_info(path):
    text = host("info", path).stdout.decode()
    count = int(re.search(r"^Image Count:\s*(\d+)", text, re.M).group(1))
    compression = re.search(r"^Compression:\s*(\S+)", text, re.M).group(1)
    names = re.findall(r"^Name:\s*(.*)$", text, re.M)
    return count, compression, names


def make_esd(folder):
    """A small solid-LZMS ESD with two named images, as Microsoft ships them."""
    content = folder / "inhalt"
    content.mkdir()
    for i in range(3):
        (content / f"datei{i}.txt").write_bytes((f"Zeile {i} " * 3000).encode())
    esd = folder / "install.esd"
    for command, name in (("capture", "Eins"), ("append", "Zwei")):
        if command == "append":
            (content / "extra.txt").write_text("nur im zweiten Image")
        result = host(command, content, esd, name, "--solid")
        if result.returncode != 0:
            raise RuntimeError(f"wimlib-imagex {command} failed: {result.stdout!r}")
    return esd


def wait_for_hint(app, timeout=60):
    """The hint line's text once the source file's image list is known."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        text = app.control(ID_HINT, no_fonts=True)["text"]
        if text:
            return text
        time.sleep(0.2)
    raise AssertionError("the hint line stayed empty")


def explorer_started_by(pid, timeout=20):
    """Whether an explorer.exe whose parent is pid appears."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if any(p.get("parent") == pid and p.get("exe", "").lower() == "explorer.exe" for p in harness.processes()):
            return True
        time.sleep(0.3)
    return False


def make_test_install(scratch, replace=None, tool=BRIDGE):
    """A fresh copy of the distribution in scratch, with tool (the bridge
    unless told otherwise; None: no tool) where the program looks for it."""
    files = {TOOL: tool}  # None removes it
    files.update(replace or {})
    return Path(harness.make_install(tempfile.mkdtemp(dir=scratch), replace=files))


class ConversionBase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="nimbrel-e2e-conv-"))
        cls.esd = make_esd(cls.scratch)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def install(self, replace=None, tool=BRIDGE):
        return make_test_install(self.scratch, replace, tool)

    def source_in(self, install, name="Quelle ä (x).esd"):
        folder = install / "Quellen mit Ümlaut"
        folder.mkdir(exist_ok=True)
        source = folder / name
        shutil.copy(self.esd, source)
        return source

    def app_dir(self, install):
        return harness.win_path(install) + "\\"

    def assert_idle(self, app):
        controls = app.controls_by_id()
        self.assertTrue(controls[ID_CONVERT]["enabled"])
        self.assertTrue(controls[ID_EXIT]["enabled"])
        self.assertFalse(controls[ID_PROGRESS]["visible_bit"])

    def expect_box(self, app, title, text):
        box = app.msgbox()
        self.assertEqual(box["title"], title)
        self.assertEqual(box["text"], text)
        app.press("OK")
        return box

    def console_of_the_batch(self, app, timeout=120):
        """(pid of the interpreter, its console) once the failed batch waits
        for a key."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            shells = [p["pid"] for p in harness.processes()
                      if p.get("parent") == app.pid and p.get("exe", "").lower() == "cmd.exe"]
            if shells:
                try:
                    console = harness.console_text(shells[0])
                except harness.DriverError:
                    console = {"lines": []}  # ended or not yet there
                if PAUSE_LINE in console["lines"]:
                    return shells[0], console
            time.sleep(0.3)
        self.fail("the batch file did not wait with its notice")

    def dismiss_failed_batch(self, app):
        """Presses a key in the console of a batch that failed and waits."""
        shell, _ = self.console_of_the_batch(app)
        harness.console_key(shell)

    def start_conversion(self, app, source, index=None, recovery=False, before_click=None):
        """Fills in the window, presses "Konvertieren" and returns the
        command-line box (still open)."""
        app.set_text(ID_SOURCE, "  " + harness.win_path(source) + " ")  # blanks are trimmed
        if index is not None:
            app.type(ID_COMBO, index, replace=True)
        if recovery:
            app.click(ID_RD2)
        if before_click:
            before_click()
        app.click(ID_CONVERT)
        return app.msgbox(title="Nimbrel")


class PreChecks(ConversionBase):
    def test_each_check_in_its_order_with_its_text(self):
        install = self.install(tool=None)
        app_dir = self.app_dir(install)
        source = self.source_in(install)
        with harness.start_nimbrel(install) as app:
            # 1. An older output file blocks everything, named with a capital I.
            (install / "WIM" / "install.wim").write_text("alt")
            app.click(ID_CONVERT)
            self.expect_box(app, "Fehler", "Fehler: " + app_dir + "WIM\\Install.wim gefunden.\r"
                            "Löschen Sie diese Datei bevor Sie dieses Tool erneut verwenden. Abbruch.")
            (install / "WIM" / "install.wim").unlink()
            # 2. No source, a blank one, or a folder.
            for text in ("", "   ", harness.win_path(install / "WIM")):
                app.set_text(ID_SOURCE, text)
                app.click(ID_CONVERT)
                self.expect_box(app, "Fehler", "Fehler: Sie müssen eine ESD/WIM-Datei auswählen.")
            # 3. The batch file.
            app.set_text(ID_SOURCE, harness.win_path(source))
            batch = install / "Tools" / "convertESD_wimlib.bat"
            saved = batch.read_bytes()
            batch.unlink()
            app.click(ID_CONVERT)
            self.expect_box(app, "Fehler", "Fehler: " + app_dir + "Tools\\convertESD_wimlib.bat nicht gefunden.\r"
                            "Bitte entpacken Sie das kommplette Tool-Pakte.")
            batch.write_bytes(saved)
            # 4. The tool that fits the system.
            tool = app_dir + "Tools\\wimlib_x86\\wimlib-imagex.exe"
            app.click(ID_CONVERT)
            self.expect_box(app, "Fehler", "Fehler: " + tool + " nicht gefunden.\r"
                            "Bitte prüfen Sie, ob Download/Installation korrekt erfolgt ist.\r"
                            "Die EXE-Datei muss unter \r" + tool + "\rzu finden sein.")
            self.assert_idle(app)
            app.no_msgbox(500)


class RealConversion(ConversionBase):
    def test_maximum_index_2_gives_one_lzx_image(self):
        install = self.install()
        app_dir = self.app_dir(install)
        source = self.source_in(install)
        with harness.start_nimbrel(install) as app:
            box = self.start_conversion(app, source, index="2")
            self.assertEqual(box["text"], ' /C " "' + app_dir + 'Tools\\convertESD_wimlib.bat" "' + app_dir +
                             'Tools\\wimlib_x86\\wimlib-imagex.exe" "' + harness.win_path(source) + '" "' +
                             app_dir + 'WIM\\install.wim" LZX 2 "')
            # The window is already in the running state behind the box.
            controls = app.controls_by_id()
            self.assertFalse(controls[ID_CONVERT]["enabled"])
            self.assertFalse(controls[ID_EXIT]["enabled"])
            self.assertTrue(controls[ID_PROGRESS]["visible_bit"])
            app.screenshot("conversion-command-line")
            app.press("OK", title="Nimbrel")
            success = app.msgbox(title="Informationen", timeout=180000)
            self.assertEqual(success["text"], "Erfolg: Die Datei Install.wim liegt im Verzeichnis " + app_dir +
                             "WIM\\install.wim")
            app.screenshot("conversion-success")
            app.press("OK", title="Informationen")
            self.assert_idle(app)
            # Explorer opens on the new file.
            self.assertTrue(explorer_started_by(app.pid))
        self.assertEqual(image_info(install / "WIM" / "install.wim"), (1, "LZX", ["Zwei"]))

    def test_recovery_index_1_gives_lzms(self):
        install = self.install()
        source = self.source_in(install, name="install.esd")
        with harness.start_nimbrel(install) as app:
            box = self.start_conversion(app, source, index="1", recovery=True)
            self.assertTrue(box["text"].endswith('WIM\\install.wim" LZMS 1 "'))
            app.press("OK", title="Nimbrel")
            app.msgbox(title="Informationen", timeout=180000)
            app.press("OK", title="Informationen")
        self.assertEqual(image_info(install / "WIM" / "install.wim"), (1, "LZMS", ["Eins"]))


STAND_IN_WRITES_AND_FAILS = b'@echo off\r\necho Ergebnis> "%~3"\r\nexit /b 1\r\n'
STAND_IN_WRITES_NOTHING = b'@echo off\r\nexit /b 0\r\n'


class OutcomeByTheFileAlone(ConversionBase):
    def run_with_batch(self, batch, tool=BRIDGE, index=None):
        install = self.install(replace={"Tools/convertESD_wimlib.bat": batch}, tool=tool)
        source = self.source_in(install)
        with harness.start_nimbrel(install) as app:
            box = self.start_conversion(app, source, index=index)
            app.press("OK", title="Nimbrel")
            result = app.msgbox(timeout=180000)
            app.press("OK")
            self.assert_idle(app)
        return install, box, result

    def test_exit_code_1_with_the_file_is_a_success(self):
        install, _, result = self.run_with_batch(STAND_IN_WRITES_AND_FAILS)
        self.assertEqual(result["title"], "Informationen")
        self.assertTrue((install / "WIM" / "install.wim").is_file())

    def test_exit_code_0_without_the_file_is_a_failure(self):
        _, _, result = self.run_with_batch(STAND_IN_WRITES_NOTHING)
        self.assertEqual((result["title"], result["text"]),
                         ("Fehler", "Fehler: Die Datei Install.wim wurde nicht erstellt."))

    def test_a_tool_that_writes_part_of_the_target_and_fails_leaves_nothing(self):
        install = self.install(tool=PARTIAL_STUB)
        source = self.source_in(install)
        with harness.start_nimbrel(install) as app:
            self.start_conversion(app, source)
            app.press("OK", title="Nimbrel")
            self.dismiss_failed_batch(app)
            self.expect_box(app, "Fehler", "Fehler: Die Datei Install.wim wurde nicht erstellt.")
        self.assertEqual(list((install / "WIM").glob("install.wim*")), [])

    def test_no_index_selected_gives_four_arguments_and_the_failure_box(self):
        install = self.install()
        source = self.source_in(install)
        with harness.start_nimbrel(install) as app:
            box = self.start_conversion(app, source, index="x")
            self.assertTrue(box["text"].endswith('WIM\\install.wim" LZX  "'), box["text"])
            app.press("OK", title="Nimbrel")
            self.dismiss_failed_batch(app)
            self.expect_box(app, "Fehler", "Fehler: Die Datei Install.wim wurde nicht erstellt.")
        self.assertFalse((install / "WIM" / "install.wim").exists())


class ReadableFailures(ConversionBase):
    """A failing batch says why in its console and waits; only then does
    the program report the failure."""

    def test_the_console_names_the_cause_and_waits_for_a_key_or_its_closing(self):
        not_a_wim = self.scratch / "kein image.esd"
        not_a_wim.write_bytes(os.urandom(200 * 1024))
        cases = [
            # (source, index, sentence, how the user ends the wait, the file changes once its list is known)
            (not_a_wim, "1", "Ursache: Die Quelldatei ist keine vollständige WIM- oder ESD-Datei; "
                             "wählen Sie eine Install.ESD oder Install.WIM aus.", "key", False),
            # The program refuses an index the file lacks while it knows the
            # file's images; of a file changed since, it knows nothing.
            (self.esd, "9", 'Ursache: Die Quelldatei enthält kein Image mit dem Index 9; wählen Sie einen Index, '
                            'den "Infos zur WIM-Datei anzeigen" nennt.', "close", True),
        ]
        for original, index, sentence, ending, changed in cases:
            with self.subTest(sentence=sentence[:40], ending=ending):
                install = self.install()
                source = self.source_in(install, name="Quelle & (ä).esd")
                shutil.copy(original, source)
                def change():
                    wait_for_hint(app)
                    later = source.stat().st_mtime + 10
                    os.utime(source, (later, later))
                with harness.start_nimbrel(install) as app:
                    self.start_conversion(app, source, index=index, before_click=change if changed else None)
                    app.press("OK", title="Nimbrel")
                    shell, console = self.console_of_the_batch(app)
                    # The console wraps its lines at its width.
                    self.assertIn(sentence, "".join(console["lines"]))
                    self.assertTrue(any(line.startswith("Fehler: wimlib-imagex meldet den Fehlercode")
                                        for line in console["lines"]), console["lines"])
                    harness.screenshot(f"conversion-failure-console-{ending}")
                    # While the console waits, the program waits too.
                    app.no_msgbox(1500)
                    self.assertFalse(app.control(ID_CONVERT)["enabled"])
                    if ending == "key":
                        harness.console_key(shell)
                    else:
                        harness.Window(console["hwnd"], shell).close()
                    self.expect_box(app, "Fehler", "Fehler: Die Datei Install.wim wurde nicht erstellt.")
                    self.assert_idle(app)
                self.assertEqual(list((install / "WIM").glob("install.wim*")), [])


class ClosingAndStarting(ConversionBase):
    def test_closing_during_a_conversion_ends_the_program_after_the_child(self):
        # A stand-in batch that works for a few seconds, then writes the target.
        batch = (b'@echo off\r\n"%~dp0nimchild.exe" sleep 6000\r\n'
                 b'echo Ergebnis> "%~3"\r\nexit /b 0\r\n')
        install = self.install(replace={"Tools/convertESD_wimlib.bat": batch, "Tools/nimchild.exe": NIMCHILD})
        source = self.source_in(install)
        target = install / "WIM" / "install.wim"
        with harness.start_nimbrel(install) as app:
            self.start_conversion(app, source)
            app.press("OK", title="Nimbrel")
            app.close()
            time.sleep(2)
            # The request is remembered; the window stays while the child runs.
            self.assertTrue(app.alive())
            self.assertFalse(target.exists())
            self.assertTrue(app.window(no_fonts=True)["visible"])
            # Once the child ended, its handler runs, its box closes at once
            # and the program ends.
            self.assertEqual(app.wait_exit(60), 0)
            self.assertTrue(target.is_file())
            # The success box closed at once, and Explorer was still started.
            self.assertTrue(explorer_started_by(app.pid))

    def test_beenden_is_disabled_while_converting(self):
        batch = b'@echo off\r\n"%~dp0nimchild.exe" sleep 3000\r\nexit /b 0\r\n'
        install = self.install(replace={"Tools/convertESD_wimlib.bat": batch, "Tools/nimchild.exe": NIMCHILD})
        source = self.source_in(install)
        with harness.start_nimbrel(install) as app:
            self.start_conversion(app, source)
            app.press("OK", title="Nimbrel")
            self.assertFalse(app.control(ID_EXIT)["enabled"])
            # The bar cycles while the child runs.
            time.sleep(2.5)
            self.assertGreater(app.control(ID_PROGRESS)["position"], 0)
            self.expect_box(app, "Fehler", "Fehler: Die Datei Install.wim wurde nicht erstellt.")

    def start_with_comspec(self, install, comspec):
        """Starts Nimbrel through a helper that sets COMSPEC first: Wine's own
        environment settings win over the Linux environment."""
        setting = ["unsetenv", "COMSPEC"] if comspec is None else ["setenv", "COMSPEC", comspec]
        exe = harness.win_path(install / "Nimbrel.exe")
        app = harness.Program(NIMCHILD, [*setting, "run", exe, '"' + exe + '"'], wait_window=False)
        deadline = time.monotonic() + 60
        while True:
            found = [p["pid"] for p in harness.processes()
                     if (p.get("path") or "").lower().endswith("\\nimbrel.exe")
                     and (p.get("path") or "").lower() == exe.lower()]
            if found:
                break
            if time.monotonic() > deadline:
                app.stop()
                raise TimeoutError("Nimbrel.exe did not start")
            time.sleep(0.2)
        app.pid = found[0]
        app.title = harness.MAIN_TITLE
        app.wait_window()
        return app

    def test_an_interpreter_that_cannot_start_shows_the_system_error_and_the_window_is_idle(self):
        for comspec in (None, "C:\\gibt\\es\\nicht\\cmd.exe"):
            with self.subTest(comspec=comspec):
                install = self.install()
                source = self.source_in(install)
                app = self.start_with_comspec(install, comspec)
                try:
                    self.start_conversion(app, source)
                    app.press("OK", title="Nimbrel")
                    box = app.msgbox(title="Nimbrel")
                    self.assertRegex(box["text"], r"^Systemfehler\.  Code: \d+\.\r\n.+\.$")
                    self.assertTrue(box["icon"])
                    # Idle again while the error is still shown.
                    self.assert_idle(app)
                    app.screenshot("conversion-cannot-start")
                    app.press("OK", title="Nimbrel")
                    self.assert_idle(app)
                    self.assertFalse((install / "WIM" / "install.wim").exists())
                finally:
                    app.stop()

if __name__ == "__main__":
    unittest.main()
