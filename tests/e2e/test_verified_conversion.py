"""A verified result and real progress, with the real Nimbrel.exe and the
progress stub in wimlib's place: the bar follows the percentage that the
console shows, closing that console ends the run but not the program, a
failed verification leaves nothing, and an install.wim that appeared during
the run is not reported as its result."""

import os
import time
import unittest
from pathlib import Path

import harness
from test_conversion import ID_PROGRESS, ConversionBase

PROGRESS_STUB = Path(os.environ.get("NIMBREL_WIMSTUB_PROGRESS", ""))
FAILURE = "Fehler: Die Datei Install.wim wurde nicht erstellt."


class VerifiedConversion(ConversionBase):
    def start(self, env, remove_output_folder=False):
        """Nimbrel with the progress stub as wimlib, the conversion started
        (after the output folder was removed behind the program's back)."""
        install = self.install(tool=PROGRESS_STUB)
        source = self.source_in(install)
        app = harness.start_nimbrel(install, env=env)
        try:
            if remove_output_folder:
                (install / "WIM").rmdir()
            self.start_conversion(app, source)
            app.press("OK", title="Nimbrel")
        except BaseException:
            app.stop()
            raise
        return install, app

    def wait_for_position(self, app, position, timeout=90):
        deadline = time.monotonic() + timeout
        seen = None
        while time.monotonic() < deadline:
            seen = app.control(ID_PROGRESS)["position"]
            if seen == position:
                return
            time.sleep(0.3)
        self.fail(f"the bar stayed at {seen}, not {position}")

    def watchers(self, app):
        return [p for p in harness.processes()
                if p.get("parent") == app.pid and p.get("exe", "").lower() == "nimbrel.exe"]

    def test_the_bar_follows_the_console_and_closing_it_leaves_the_program_running(self):
        # The stub stops at 12 % and at 37 % of its export: 5 plus that
        # share of the 80 that export fills on the bar.
        go = Path(self.scratch) / "weiter-12"
        install, app = self.start({"NIMBREL_STUB_HOLD": "12,37", "NIMBREL_STUB_GO": harness.win_path(go)})
        with app:
            self.wait_for_position(app, 14)
            self.assertTrue(self.watchers(app), "no watcher runs")
            go.write_text("")
            self.wait_for_position(app, 34)
            # The timer no longer moves it.
            time.sleep(2.5)
            self.assertEqual(app.control(ID_PROGRESS)["position"], 34)
            app.screenshot("conversion-progress-34-percent", window_only=True)
            shell = next(p["pid"] for p in harness.processes()
                         if p.get("parent") == app.pid and p.get("exe", "").lower() == "cmd.exe")
            console = harness.console_text(shell)
            self.assertIn("Archiving file data: 37 MiB of 100 MiB (37%) done", "".join(console["lines"]))
            harness.Window(console["hwnd"], shell).close()
            self.expect_box(app, "Fehler", FAILURE)
            self.assertTrue(app.alive())
            self.assert_idle(app)
            self.assertEqual(self.watchers(app), [])
        self.assertFalse((install / "WIM" / "install.wim").exists())

    def test_a_failed_verification_is_a_failure_and_leaves_nothing(self):
        log = Path(self.scratch) / "aufrufe-verify.log"
        install, app = self.start({"NIMBREL_STUB_VERIFY_EXIT": "28", "NIMBREL_STUB_DELAY": "0",
                                   "NIMBREL_STUB_LOG": harness.win_path(log)}, remove_output_folder=True)
        with app:
            shell, console = self.console_of_the_batch(app)
            text = "".join(console["lines"])
            self.assertIn("wimlib-imagex meldet den Fehlercode 28.", text)
            self.assertIn("Ursache: Die neue Datei ließ sich nicht fehlerfrei zurücklesen", text)
            self.assertIn("Die fehlerhafte Datei wurde gelöscht.", text)
            harness.screenshot("conversion-verification-failed-console")
            harness.console_key(shell)
            self.expect_box(app, "Fehler", FAILURE)
            self.assert_idle(app)
        # The folder was made again for the run; nothing is left in it.
        self.assertEqual(list((install / "WIM").iterdir()), [])
        temp = harness.win_path(install / "WIM" / "install.wim.tmp")
        # (Other calls, an information query, are not the conversion's.)
        calls = [call.split("\n") for call in log.read_text(encoding="utf-8").strip("\n").split("\n\n")]
        calls = [call for call in calls if call[0] in ("export", "verify")]
        self.assertEqual([call[0] for call in calls], ["export", "verify"])
        self.assertIn("--check", calls[0])
        self.assertEqual(calls[1], ["verify", temp, "--nocheck"])

    def test_an_install_wim_that_appeared_during_the_run_is_not_its_result(self):
        go = Path(self.scratch) / "weiter-50"
        install, app = self.start({"NIMBREL_STUB_HOLD": "50", "NIMBREL_STUB_GO": harness.win_path(go)})
        target = install / "WIM" / "install.wim"
        with app:
            self.wait_for_position(app, 45)
            target.write_text("fremd")
            go.write_text("")
            shell, console = self.console_of_the_batch(app)
            text = "".join(console["lines"])
            self.assertIn("Ursache: Während der Konvertierung ist eine andere Datei", text)
            self.assertIn("bleibt als", text)
            self.assertNotIn("Virenscanner", text)  # the cause that does not apply
            harness.screenshot("conversion-rename-race-console")
            harness.console_key(shell)
            self.expect_box(app, "Fehler", FAILURE)
            self.assert_idle(app)
        self.assertEqual(target.read_text(), "fremd")
        # The verified result is kept under its temporary name.
        self.assertTrue((install / "WIM" / "install.wim.tmp").is_file())


if __name__ == "__main__":
    unittest.main()
