"""The driver and the harness on their own fixture (drivefixture.exe):
reading windows and controls, clicking, typing, keys, real mouse clicks,
message boxes, dialogs, ending programs, screenshots and path mapping."""

import io
import os
import subprocess
import tempfile
import unittest
import unittest.mock
from pathlib import Path

import harness as h

TITLE = "Nimdrive-Fixtur"
# What the fixture's error box says: quotes, a backslash, a tab, CR LF and
# non-ASCII letters, which the JSON answer must carry intact.
ERROR_TEXT = 'Datei "C:\\Prüfung\\ä.wim" fehlt.\tZweite\r\nZeile: Größe ß'
COMBO_ITEMS = ["Apfel", "Birne", "Brombeere", "Kirsche"]
TAHOMA = {"face": "Tahoma", "height": -11, "weight": 400, "italic": False, "underline": False}


def xvfb_screen_size():
    out = subprocess.run(["xdpyinfo"], check=True, stdout=subprocess.PIPE, text=True).stdout
    for line in out.splitlines():
        if "dimensions:" in line:
            width, height = line.split()[1].split("x")
            return int(width), int(height)
    raise AssertionError("xdpyinfo shows no dimensions")


class FixtureTest(unittest.TestCase):
    exit_code = None

    def setUp(self):
        self.app = h.start_fixture(TITLE, exit_code=self.exit_code)
        self.addCleanup(self.app.stop)

    def status(self):
        return self.app.control(150, no_fonts=True)["text"]


class ReadingWindows(FixtureTest):
    def test_window_facts(self):
        w = self.app.window()
        self.assertEqual((w["title"], w["class"], w["pid"]), (TITLE, "NimFixtureWindow", self.app.pid))
        self.assertEqual((w["client_width"], w["client_height"]), (480, 320))
        self.assertEqual((w["sizeable"], w["maximize_box"], w["minimize_box"], w["tool_window"]),
                         (False, False, True, False))
        self.assertTrue(w["visible"] and w["enabled"])
        self.assertEqual((w["screen_width"], w["screen_height"]), xvfb_screen_size())
        # The client area lies inside the window rectangle.
        r = w["rect"]
        self.assertGreaterEqual(w["client_origin"]["x"], r["left"])
        self.assertLessEqual(w["client_origin"]["y"] + 320, r["top"] + r["height"])

    def test_window_selection(self):
        pid = self.app.pid
        # (options, found?) — every option given must match; titles exactly.
        table = [
            (["--hwnd", hex(self.app.hwnd)], True),
            (["--title", TITLE, "--pid", pid], True),
            (["--class", "NimFixtureWindow", "--pid", pid], True),
            (["--title", TITLE, "--exclude-pid", f"1,{pid}"], False),
            (["--title", TITLE.lower()], False),
            (["--title", TITLE, "--class", "Static"], False),
        ]
        for options, found in table:
            with self.subTest(options=options):
                result = h.drive("wait-window", *options, "--timeout", 100, check=False)
                if found:
                    self.assertEqual((result.get("hwnd"), result.get("pid")), (self.app.hwnd, pid))
                else:
                    self.assertEqual(result.get("kind"), "timeout")

    def test_controls(self):
        controls = self.app.controls()
        by_id = {c["id"]: c for c in controls}
        # (id, class, text, parent id, rect in parent, visible, enabled, tab stop)
        table = [
            (100, "NimFixturePanel", "", None, (0, 0, 480, 320), True, True, False),
            (101, "Button", "&Fehler", 100, (10, 10, 90, 25), True, True, True),
            (107, "Button", "Gesperrt", 100, (105, 40, 90, 25), True, False, True),
            (108, "Button", "Versteckt", 100, (200, 40, 90, 25), False, True, True),
            (110, "Edit", "", 100, (10, 75, 280, 21), True, True, True),
            (111, "Edit", "Zeile 1\r\nZeile 2", 100, (300, 75, 170, 60), True, True, False),
            (120, "ComboBox", "Apfel", 100, (10, 105, 150, 21), True, True, True),
            (130, "msctls_progress32", "", 100, (170, 107, 120, 17), True, True, False),
            (143, "Button", "Häkchen", 100, (220, 145, 120, 20), True, True, True),
            (160, "NimFixtureLink", "Klick mich", 100, (220, 240, 150, 20), True, True, False),
        ]
        for cid, cls, text, parent, rect, visible, enabled, tabstop in table:
            with self.subTest(id=cid):
                c = by_id[cid]
                self.assertEqual((c["class"], c["text"], c["parent_id"]), (cls, text, parent))
                r = c["rect"]
                self.assertEqual((r["left"], r["top"], r["width"], r["height"]), rect)
                self.assertEqual((c["visible"], c["visible_bit"], c["enabled"], c["tabstop"]),
                                 (visible, visible, enabled, tabstop))

        # Z-order per parent, depth first: the combo box's edit follows it.
        order = [c["id"] for c in controls]
        self.assertEqual(order[:3], [100, 101, 102])
        self.assertEqual(order[order.index(120) + 1], 1001)
        edit = by_id[1001]
        self.assertEqual((edit["parent_id"], edit["depth"]), (120, 3))
        # Relative to the window's client area = parent offset + own offset.
        self.assertEqual(edit["window_rect"]["left"], by_id[120]["rect"]["left"] + edit["rect"]["left"])
        self.assertEqual(edit["window_rect"]["top"], by_id[120]["rect"]["top"] + edit["rect"]["top"])

    def test_class_specific_facts(self):
        c = self.app.controls_by_id()
        self.assertEqual((c[101]["button_type"], c[140]["button_type"], c[141]["button_type"],
                          c[143]["button_type"]), ("push", "groupbox", "autoradio", "autocheckbox"))
        self.assertEqual((c[141]["check"], c[142]["check"], c[143]["check"]), ("checked", "unchecked", "unchecked"))
        self.assertEqual((c[141]["check_state"], c[142]["check_state"]), (1, 0))
        self.assertEqual((c[120]["combo_type"], c[120]["items"], c[120]["selected"], c[120]["edit_text"]),
                         ("dropdown", COMBO_ITEMS, 0, "Apfel"))
        self.assertEqual((c[130]["range"], c[130]["position"]), ([0, 200], 42))
        self.assertEqual((c[110]["multiline"], c[110]["readonly"], c[110]["wraps"]), (False, False, False))
        memo = c[111]
        self.assertEqual((memo["multiline"], memo["readonly"], memo["hscroll"], memo["vscroll"],
                          memo["line_count"]), (True, True, True, True, 2))

    def test_texts_that_need_escaping(self):
        # A control character, a lone surrogate (kept as an escape) and a
        # character beyond the BMP (a surrogate pair, sent as UTF-8).
        self.assertEqual(self.app.control(152, no_fonts=True)["text"], "A\x01B\ud800C\U0001F600")

    def test_fonts(self):
        c = self.app.controls_by_id()
        for cid in (101, 110, 120, 141):
            with self.subTest(id=cid):
                font = c[cid]["font"]
                self.assertEqual({k: font[k] for k in TAHOMA}, TAHOMA)
        big = c[151]["font"]
        self.assertEqual((big["face"], big["height"], big["weight"], big["italic"], big["underline"]),
                         ("Tahoma", -16, 700, True, True))
        # No font set: null, not a guess.
        self.assertIsNone(c[150]["font"])
        self.assertNotIn("font", self.app.control(150, no_fonts=True))


class Clicking(FixtureTest):
    def test_click_radio_and_check_box(self):
        self.app.click(142)
        c = self.app.controls_by_id(no_fonts=True)
        self.assertEqual((c[141]["check"], c[142]["check"]), ("unchecked", "checked"))
        self.assertEqual(self.status(), "Klick 142")
        self.app.click(143)
        self.assertEqual(self.app.control(143, no_fonts=True)["check"], "checked")

    def test_refused_where_a_user_could_not_click(self):
        for cid, reason in ((107, "disabled"), (108, "not visible")):
            with self.subTest(id=cid):
                with self.assertRaises(h.DriverError) as caught:
                    self.app.click(cid)
                self.assertEqual((caught.exception.returncode, caught.exception.kind), (2, "refused"))
                self.assertIn(reason, caught.exception.result["error"])
        self.assertEqual(self.status(), "Bereit")
        # --force goes ahead anyway.
        self.app.click(108, force=True)
        self.assertEqual(self.status(), "Klick 108")

    def test_real_mouse_clicks_on_custom_control(self):
        hit = self.app.click_at(control_id=160)
        self.assertEqual(hit["hit"]["id"], 160)
        self.assertEqual(self.status(), "Link links bei 75,10")
        # Client coordinates of the top-level window: link at (220, 240).
        self.app.click_at(x=225, y=247, button="right")
        self.assertEqual(self.status(), "Link rechts bei 5,7")
        self.assertEqual(self.app.control(160, no_fonts=True)["text"], "links=1 rechts=1")

    def test_focus_follows_click_and_tab(self):
        self.app.click_at(control_id=110)
        focus = self.app.focus()["focus"]
        self.assertEqual((focus["id"], focus["class"]), (110, "Edit"))
        # A posted Tab passes the program's own loop (IsDialogMessage), which
        # moves on to the next tab stop: the combo box's edit field.
        self.app.key(110, "TAB", post=True)
        focus = self.app.focus()["focus"]
        self.assertEqual((focus["class"], focus["parent_id"]), ("Edit", 120))


class FileDialog(FixtureTest):
    def test_choose_and_cancel(self):
        with tempfile.TemporaryDirectory() as tmp:
            chosen = Path(tmp) / "Quelle mit Lücke & (1).wim"
            chosen.write_bytes(b"x")
            self.app.click(112)
            self.app.choose_file(h.win_path(chosen))
            self.assertEqual(self.status(), "Datei: " + h.win_path(chosen))
        self.app.click(112)
        self.app.cancel_file_dialog()
        self.assertEqual(self.status(), "Datei: abgebrochen")

    def test_ids_repeat_so_the_class_decides(self):
        self.app.click(112)
        dialog = self.app.file_dialog()
        ids = [c["class"] for c in dialog.controls(no_fonts=True) if c["id"] == 1]
        self.assertIn("Button", ids)
        self.assertNotEqual(ids[0], "Button")
        self.assertEqual(dialog.control(1, control_class="Button", no_fonts=True)["class"], "Button")
        with self.assertRaises(h.DriverError) as caught:
            dialog.control(1, control_class="Static")
        self.assertEqual(caught.exception.kind, "not-found")
        self.app.cancel_file_dialog()


class Typing(FixtureTest):
    def test_type_reaches_edit_unchanged(self):
        text = 'Grüße & "Zitat" \\ ^!(x) ß'
        result = self.app.type(110, text, replace=True)
        self.assertEqual(result["text"], text)
        self.assertEqual(self.status(), "Eingabe: " + text)
        # Typing goes to the caret: appended after the text typed before.
        self.assertEqual(self.app.type(110, "+1")["text"], text + "+1")

    def test_type_into_combo_runs_completion(self):
        # Each case: typed text, completed text, selected entry, edit selection.
        table = [("Bro", "Brombeere", 2, [3, 9]), ("Bi", "Birne", 1, [2, 5]), ("K", "Kirsche", 3, [1, 7])]
        for typed, completed, index, selection in table:
            with self.subTest(typed=typed):
                self.app.type(120, typed, replace=True)
                combo = self.app.control(120, no_fonts=True)
                self.assertEqual((combo["edit_text"], combo["selected"], combo["edit_selection"]),
                                 (completed, index, selection))

    def test_arguments_arrive_unchanged(self):
        # Wine quotes the Linux arguments into a command line; the driver
        # must split it back exactly.
        for text in ['C:\\Pfad mit Lücke\\', 'a "b" c', '\\\\server\\share', '"', '', 'tab\tda',
                     'x\\"y', '%PATH% ^& !x! (1)']:
            with self.subTest(text=text):
                self.assertEqual(self.app.set_text(110, text)["text"], text)

    def test_set_text_and_keys(self):
        self.app.set_text(110, "abc")
        self.app.key(110, "HOME")
        self.assertEqual(self.app.key(110, "DELETE")["text"], "bc")
        self.app.key(110, "END")
        self.assertEqual(self.app.key(110, "BACK")["text"], "b")


class MessageBoxes(FixtureTest):
    def test_error_box(self):
        self.app.click(101)
        box = self.app.msgbox()
        self.assertEqual((box["title"], box["text"], box["icon"], box["icon_kind"]),
                         ("Fehler", ERROR_TEXT, True, "error"))
        self.assertEqual([(b["id"], b["text"]) for b in box["buttons"]], [(1, "OK")])
        self.assertEqual((box["owner"], box["pid"]), (self.app.hwnd, self.app.pid))
        # The box makes its owner modal: no clicks get through.
        self.assertFalse(self.app.window(no_fonts=True)["enabled"])
        with self.assertRaises(h.DriverError) as caught:
            self.app.click(102)
        self.assertIn("its window is disabled", caught.exception.result["error"])

        pressed = self.app.press("OK")
        self.assertEqual((pressed["pressed"], pressed["closed"]), (1, True))
        self.assertEqual(self.status(), "Fehler-Box: 1")

    def test_icons_and_buttons_by_id(self):
        # (button, icon, box title, button IDs, ID to press)
        table = [
            (102, "information", "Informationen", [1, 2], 2),
            (103, "question", "Frage", [6, 7], 7),
        ]
        for button, icon, title, ids, press in table:
            with self.subTest(icon=icon):
                self.app.click(button)
                box = self.app.msgbox(title=title)
                self.assertEqual((box["icon_kind"], [b["id"] for b in box["buttons"]]), (icon, ids))
                self.app.press(press, title=title)
                self.assertTrue(self.status().endswith(f": {press}"))

    def test_renamed_button_pressed_by_caption(self):
        self.app.click(104)
        box = self.app.msgbox(title="Fehler")
        self.assertEqual([(b["id"], b["text"]) for b in box["buttons"]], [(1, "S&chließen")])
        # The caption matches without its '&' and regardless of case.
        self.app.press("schließen")
        self.assertEqual(self.status(), "Umbenannt-Box: 1")

    def test_box_without_icon_or_owner(self):
        self.app.click(105)
        box = self.app.msgbox()
        self.assertEqual((box["title"], box["text"], box["icon"], box["icon_kind"], box["owner"]),
                         ("Drivefixture", 'cmd /c "x y"', False, None, None))
        self.app.press(1)

    def test_no_msgbox(self):
        self.assertFalse(self.app.no_msgbox(300)["msgbox"])
        self.app.click(101)
        with self.assertRaises(AssertionError) as caught:
            self.app.no_msgbox(2000)
        self.assertIn("Fehler", str(caught.exception))
        self.app.press("OK")

    def test_dialog_is_not_taken_for_a_message_box(self):
        self.app.click(106)
        dialog = self.app.dialog("Fixtur-Dialog")
        self.assertEqual(dialog["class"], "#32770")
        controls = {c["id"]: c for c in dialog["controls"]}
        self.assertEqual((controls[201]["class"], controls[201]["text"]), ("Edit", "vorbelegt"))
        self.assertEqual(controls[1]["text"], "Schließen")
        with self.assertRaises(h.DriverError) as caught:
            self.app.msgbox(timeout=500)
        self.assertEqual(caught.exception.kind, "timeout")

        dialog_sel = ["--pid", self.app.pid, "--title", "Fixtur-Dialog"]
        h.drive("set-text", *dialog_sel, "--id", 201, "--text", "neu")
        h.drive("click", *dialog_sel, "--id", 1)
        h.drive("wait-gone", *dialog_sel)
        self.assertEqual(self.status(), "Dialog zu: neu")


class Ending(FixtureTest):
    exit_code = 7

    def test_close_and_exit_code(self):
        self.app.close()
        self.assertEqual(self.app.wait_exit(), 7)
        self.assertEqual(self.app.popen.returncode, 7)

    def test_stop_ends_what_the_program_started(self):
        self.app.click(109)
        found = h.drive("wait-window", "--title", "Nimdrive-Fixtur-Kind")
        self.assertEqual(self.status(), f"Kind {found['pid']}")
        children = [c["pid"] for c in h.drive("children", "--pid", self.app.pid)["children"]]
        self.assertEqual(children, [found["pid"]])
        # The token reaches the child's Linux process too (two marked: the
        # fixture and its child), so the final sweep would catch the child
        # even if its Windows parent link were lost.
        self.assertGreaterEqual(len(h.marked_processes(self.app.token)), 2)
        self.app.stop()
        self.assertNotIn(found["pid"], {p["pid"] for p in h.processes()})
        self.assertEqual(h.drive("windows", "--title", "Nimdrive-Fixtur-Kind")["windows"], [])
        self.assertEqual(h.marked_processes(self.app.token), [])

    def test_follow_a_launched_program(self):
        launcher = self.app.pid
        self.app.click(109)
        self.app.follow(h.fixture_exe(), title="Nimdrive-Fixtur-Kind")
        self.assertNotEqual(self.app.pid, launcher)
        self.assertEqual(self.app.window(no_fonts=True)["title"], "Nimdrive-Fixtur-Kind")
        self.app.close()
        self.assertEqual(self.app.wait_exit(), 0)
        self.assertTrue(any(p["pid"] == launcher for p in h.processes()))
        self.app.stop(grace=1)
        self.assertFalse(any(p["pid"] == launcher for p in h.processes()))

    def test_stop_leaves_nothing_behind(self):
        # A modal box keeps WM_CLOSE from ending the program: stop() must kill it.
        self.app.click(101)
        self.app.msgbox()
        pid = self.app.pid
        self.app.stop(grace=1)
        self.assertFalse(self.app.alive())
        self.assertNotIn(pid, {p["pid"] for p in h.processes()})
        self.assertEqual(h.kill_marked_processes(self.app.token), [])
        # System processes that the program happened to start stay alive.
        self.assertTrue(any(p["system"] for p in h.processes()))


class DriverUse(unittest.TestCase):
    def test_usage_errors_and_timeouts(self):
        # (arguments, exit code, kind)
        table = [
            (["frobnicate"], 1, "usage"),
            (["click", "--title", TITLE], 1, "usage"),
            (["window", "--title", TITLE, "--colour", "red"], 1, "usage"),
            (["window", "--title", TITLE, "--timeout", "soon"], 1, "usage"),
            (["window"], 1, "usage"),
            (["wait-window", "--title", "Gibt es nicht", "--timeout", "200"], 2, "timeout"),
            (["msgbox", "--pid", "999999", "--timeout", "0"], 2, "not-found"),
        ]
        for args, code, kind in table:
            with self.subTest(args=args):
                with self.assertRaises(h.DriverError) as caught:
                    h.drive(*args)
                self.assertEqual((caught.exception.returncode, caught.exception.kind), (code, kind))

    def test_help_lists_every_command(self):
        names = {c["command"] for c in h.drive("help")["commands"]}
        readme = (Path(__file__).resolve().parents[2] / "tools" / "driver" / "README.md").read_text("utf-8")
        undocumented = sorted(name for name in names if f"`{name}" not in readme)
        self.assertEqual(undocumented, [])
        self.assertIn("click-at", names)


class Screenshots(FixtureTest):
    def test_screen_and_window_shots(self):
        full = self.app.screenshot("driver-fixture")
        self.assertEqual(h.png_size(full), xvfb_screen_size())
        rect = self.app.window(no_fonts=True)["rect"]
        cropped = self.app.screenshot("driver-fixture-window", window_only=True)
        self.assertEqual(h.png_size(cropped), (rect["width"], rect["height"]))


class Paths(unittest.TestCase):
    def test_windows_and_unix_paths(self):
        with tempfile.TemporaryDirectory() as tmp:
            folder = Path(tmp) / "Ordner mit Lücke & (1)"
            folder.mkdir()
            (folder / "Datei.TXT").write_text("x")
            windows = h.win_path(folder / "Datei.TXT")
            self.assertTrue(windows.startswith("Z:\\"))
            self.assertTrue(windows.endswith("\\Ordner mit Lücke & (1)\\Datei.TXT"))
            self.assertEqual(h.unix_path(windows), Path(os.path.realpath(folder / "Datei.TXT")))
            # Windows paths ignore case.
            self.assertEqual(h.unix_path(windows.lower()), Path(os.path.realpath(folder / "Datei.TXT")))
            # Files of the prefix's C: drive map to C:.
            self.assertEqual(h.win_path(h.wineprefix() / "drive_c" / "windows"), "C:\\windows")

    def test_mapped_drive_reaches_folder(self):
        with tempfile.TemporaryDirectory() as tmp:
            (Path(tmp) / "inhalt.txt").write_text("gefunden\n")
            free = next(l for l in "qrstuvw" if not (h.wineprefix() / "dosdevices" / f"{l}:").exists())
            with h.map_drive(free, tmp) as root:
                self.assertEqual(root, f"{free.upper()}:\\")
                self.assertEqual(h.win_path(Path(tmp) / "inhalt.txt"), f"{free.upper()}:\\inhalt.txt")
                out = subprocess.run([h.wine(), "cmd", "/c", "type", root + "inhalt.txt"], env=h.wine_env(),
                                     stdout=subprocess.PIPE, timeout=60).stdout
                self.assertIn(b"gefunden", out)
            self.assertFalse((h.wineprefix() / "dosdevices" / f"{free}:").exists())

    def test_make_install_copies_and_edits(self):
        with tempfile.TemporaryDirectory() as tmp:
            dist = Path(tmp) / "dist"
            (dist / "Tools" / "wimlib_x64").mkdir(parents=True)
            (dist / "Nimbrel.exe").write_bytes(b"MZ")
            (dist / "Tools" / "convertESD_wimlib.bat").write_text("@echo off\r\n")
            (dist / "Tools" / "wimlib_x64" / "readme.txt").write_text("x")
            (dist / "WIM").mkdir()
            (dist / "WIM" / "install.wim").write_bytes(b"old output")
            stub = Path(tmp) / "stub.exe"
            stub.write_bytes(b"MZstub")
            target = h.make_install(Path(tmp) / "a", source=dist, replace={
                "Tools/wimlib_x64/wimlib-imagex.exe": stub,
                "Tools\\convertESD_wimlib.bat": None,
                "notiz.txt": "ä",
            })
            self.assertEqual(target.name, h.DEFAULT_INSTALL_NAME)
            self.assertEqual((target / "Tools" / "wimlib_x64" / "wimlib-imagex.exe").read_bytes(), b"MZstub")
            self.assertFalse((target / "Tools" / "convertESD_wimlib.bat").exists())
            self.assertEqual((target / "notiz.txt").read_text("utf-8"), "ä")
            self.assertTrue((dist / "Tools" / "convertESD_wimlib.bat").exists())
            # Output of an earlier run in the distribution folder stays behind.
            self.assertFalse((target / "WIM").exists())
            bare = h.make_install(Path(tmp) / "b", name="A & B (1) ^!", source=dist, tools=False)
            self.assertEqual(sorted(p.name for p in bare.iterdir()), ["Nimbrel.exe"])


if __name__ == "__main__":
    unittest.main()


class DriverWithoutAnswer(unittest.TestCase):
    """Wine now and then fails to start a process at all: a driver that never
    started is started again, whatever its command; one that started and
    ended without an answer is not (it may have acted)."""

    def run_drive(self, command, outcomes):
        calls = []

        def fake_run(argv, **kwargs):
            calls.append(argv)
            code, out, err = outcomes[min(len(calls), len(outcomes)) - 1]
            return subprocess.CompletedProcess(argv, code, out.encode(), err.encode())

        with unittest.mock.patch.object(h.subprocess, "run", fake_run), \
                unittest.mock.patch("sys.stderr", new=io.StringIO()):
            try:
                return h.drive(command, "--title", TITLE), len(calls)
            except h.DriverError as e:
                return e, len(calls)

    def test_only_a_driver_that_never_started_is_started_again(self):
        answer = '{"title": "x"}'
        started = "nimdrive: started\n"
        cases = [
            # command, outcomes (exit code, stdout, stderr) of the runs, answered, runs
            ("dialog", [(1, "", ""), (0, answer, started)], True, 2),
            ("click", [(1, "", ""), (0, answer, started)], True, 2),
            ("window", [(1, "", ""), (1, "", "")], False, 2),
            ("click", [(1, "", started), (0, answer, started)], False, 1),
            ("dialog", [(2, '{"error": "x", "kind": "timeout"}', started), (0, answer, started)], False, 1),
            ("dialog", [(0, answer, started)], True, 1),
        ]
        for command, outcomes, answered, runs in cases:
            with self.subTest(command=command, outcomes=outcomes):
                result, calls = self.run_drive(command, outcomes)
                self.assertEqual(calls, runs)
                self.assertEqual(isinstance(result, dict), answered)

    def test_the_real_driver_says_it_started(self):
        proc = subprocess.run([h.wine(), str(h.driver_exe()), "help"], env=h.wine_env(), capture_output=True,
                              timeout=120)
        self.assertEqual(proc.returncode, 0)
        self.assertIn(h.DRIVER_STARTED, proc.stderr)
