"""Smoke tests of the helper child programs nimchild.exe / nimchildw.exe."""

import os
import select
import tempfile
import time
import unittest

from winehelp import TIMEOUT, required_path, win_path, wine, wine_popen
import subprocess


class NimChildTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.child = required_path("NIMCHILD")
        cls.childw = required_path("NIMCHILDW")

    def run_child(self, *args, **kwargs):
        return wine([self.child, *args], **kwargs)

    def test_exit_codes_keep_all_32_bits(self):
        cases = [("0", 0), ("1", 1), ("0xC0000005", 0xC0000005), ("-1", 0xFFFFFFFF), ("259", 259)]
        for given, expected in cases:
            with self.subTest(code=given):
                inner = f'"{win_path(self.child)}" exit {given}'
                result = self.run_child("run", "", inner, "code")
                self.assertEqual(result.stdout.decode().strip(), f"0x{expected:08X}")
                # Linux sees only the low byte of the exit code.
                self.assertEqual(result.returncode, expected & 0xFF)

    def test_out_and_err_write_exact_bytes(self):
        every_byte = bytes(range(256))
        result = self.run_child("out", every_byte.hex(), "err", "0d0a00ff", "out", "410a")
        self.assertEqual(result.stdout, every_byte + b"A\n")
        self.assertEqual(result.stderr, b"\r\n\x00\xff")
        self.assertEqual(result.returncode, 0)

    def test_writes_with_pauses_arrive_one_by_one(self):
        proc = wine_popen([self.child, "out", "41", "sleep", "3000", "out", "42"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            first = proc.stdout.read(1)
            # The first piece is there while the child still sleeps.
            self.assertEqual(first, b"A")
            self.assertIsNone(proc.poll())
            self.assertEqual(proc.stdout.read(), b"B")
            self.assertEqual(proc.wait(TIMEOUT), 0)
        finally:
            proc.kill()
            proc.stdout.close()

    def test_lines_writes_the_documented_pattern(self):
        result = self.run_child("lines", "3200")
        self.assertEqual(len(result.stdout), 3200 * 64)
        lines = result.stdout.split(b"\r\n")
        self.assertEqual(lines[-1], b"")
        for i, line in enumerate(lines[:-1], start=1):
            self.assertEqual(int(line[:8]), i)
            self.assertEqual(line[8:9], b" ")
            letters = line[9:]
            self.assertEqual(len(letters), 53)
            self.assertEqual(letters[0], ord("a") + i % 26)
            self.assertTrue(all((letters[k + 1] - letters[k]) % 26 == 1 for k in range(52)))

    def test_echo_copies_input_until_it_is_closed(self):
        data = b"eins\r\nzwei\r\n" + bytes(range(1, 256)) + b"drei ohne Zeilenende"
        result = self.run_child("echo", "say", "EOF", input=data)
        self.assertEqual(result.stdout, data + b"EOF\r\n")

    def test_environment_queries(self):
        result = self.run_child("env", "NIMCHILD_PROBE", "env", "NIMCHILD_NOT_SET", "envall",
                                extra_env={"NIMCHILD_PROBE": "Wert mit Leerzeichen & so"})
        lines = result.stdout.decode("latin-1").split("\r\n")
        self.assertEqual(lines[0], "Wert mit Leerzeichen & so")
        self.assertEqual(lines[1], "<unset>")
        self.assertIn("NIMCHILD_PROBE=Wert mit Leerzeichen & so", lines[2:])

    def test_cwd_reports_the_current_directory(self):
        with tempfile.TemporaryDirectory(prefix="nimchild cwd ") as folder:
            result = self.run_child("cwd", cwd=folder)
            self.assertEqual(result.stdout.decode().rstrip("\r\n"), win_path(folder))

    def test_run_passes_the_command_line_unchanged(self):
        # Blanks, doubled blanks, quotes and carets as the child receives them.
        line = f'"{win_path(self.child)}" cmdline  "a  b" x^y "c\\"d"'
        result = self.run_child("run", "", line)
        self.assertEqual(result.stdout.decode().rstrip("\r\n"), line)

    def test_spawn_leaves_a_grandchild_holding_the_output(self):
        proc = wine_popen([self.child, "pid", "spawn", "pid", "sleep", "4000", "say", "grandchild-done"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(proc.wait(TIMEOUT), 0)
            # The child has ended; its grandchild still sleeps with the pipe.
            ready, _, _ = select.select([proc.stdout], [], [], 0.5)
            early = os.read(proc.stdout.fileno(), 4096) if ready else b""
            self.assertNotIn(b"grandchild-done", early)
            rest = early + proc.stdout.read()
        finally:
            proc.kill()
            proc.stdout.close()
        lines = rest.decode().split("\r\n")
        self.assertEqual(len(lines), 4, lines)
        self.assertNotEqual(int(lines[0]), int(lines[1]))
        self.assertEqual(lines[2:], ["grandchild-done", ""])

    def test_close_out_ends_the_output_early(self):
        result = self.run_child("say", "vorher", "close", "out", "say", "nachher", "exit", "4")
        self.assertEqual(result.stdout, b"vorher\r\n")
        self.assertEqual(result.returncode, 4)

    def test_window_runs_until_it_is_closed(self):
        title = "NimChild Fenster %d" % os.getpid()
        self.assertEqual(self.run_child("closewin", title).returncode, 1)
        proc = wine_popen([self.childw, "window", title, "exit", "7"],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + TIMEOUT
            while self.run_child("closewin", title).returncode != 0:
                self.assertIsNone(proc.poll(), "the window program ended on its own")
                self.assertLess(time.monotonic(), deadline, "the window never appeared")
                time.sleep(0.2)
            self.assertEqual(proc.wait(TIMEOUT), 7)
        finally:
            proc.kill()

    def test_bad_command_lines_are_refused(self):
        for args in (["bogus"], ["out", "4"], ["exit", "zwei"], ["sleep"], ["close", "all"]):
            with self.subTest(args=args):
                result = self.run_child(*args)
                self.assertEqual(result.returncode, 250)
                self.assertTrue(result.stderr.startswith(b"nimchild: "), result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
