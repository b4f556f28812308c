"""The conversion batch file, the wimlib bridge and the stub tools under Wine.

The batch file is started the way Nimbrel starts it: the command interpreter
named by COMSPEC with the command line
   /C " "<bat>" "<tool>" "<src>" "<dst>" LZX 1 "
(handed over unchanged by nimchild's "run"). The result is checked with the
host's own wimlib-imagex.
"""

import os
import pathlib
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest

from winehelp import TIMEOUT, required_path, win_path, wine, wine_popen, wine_speaking

HOST_WIMLIB = "/usr/bin/wimlib-imagex"

# Every character that cmd treats specially and that a Windows name may hold,
# except the percent sign (see PercentPathTest).
SPECIAL = "Ä ö (1) & x^y!z"


def host(*args):
    return subprocess.run([HOST_WIMLIB, *map(str, args)], capture_output=True, timeout=TIMEOUT)


def image_info(path, solid=False):
    """Image count, compression and the names of a WIM, from the host's wimlib.

    With solid=True, also whether the file data lie in solid resources (the
    version field does not tell: wimlib gives every LZMS archive the solid
    version).
    """
    result = host("info", path)
    if result.returncode != 0:
        raise AssertionError(f"wimlib-imagex info failed: {result.stdout!r} {result.stderr!r}")
    text = result.stdout.decode()
    count = int(re.search(r"^Image Count:\s*(\d+)", text, re.M).group(1))
    compression = re.search(r"^Compression:\s*(\S+)", text, re.M).group(1)
    names = re.findall(r"^Name:\s*(.*)$", text, re.M)
    if not solid:
        return count, compression, names
    blobs = host("info", path, "--blobs").stdout
    return count, compression, names, b"WIM_RESHDR_FLAG_SOLID" in blobs


def make_esd(folder):
    """A small solid-LZMS ESD with two named images."""
    content = folder / "inhalt"
    content.mkdir()
    for i in range(3):
        (content / f"datei{i}.txt").write_bytes((f"Zeile {i} " * 2000).encode())
    esd = folder / "install.esd"
    steps = [("capture", "Eins"), ("append", "Zwei")]
    for command, name in steps:
        if command == "append":
            (content / "extra.txt").write_text("nur im zweiten Image")
        result = host(command, content, esd, name, "--solid")
        if result.returncode != 0:
            raise RuntimeError(f"wimlib-imagex {command} failed: {result.stdout!r}")
    return esd


class Distribution:
    """An application folder laid out like Nimbrel's distribution."""

    def __init__(self, root, name, tool):
        self.app = root / name
        (self.app / "Tools" / "wimlib_x64").mkdir(parents=True)
        (self.app / "WIM").mkdir()
        shutil.copy(required_path("CONVERT_BAT"), self.app / "Tools" / "convertESD_wimlib.bat")
        self.tool = self.app / "Tools" / "wimlib_x64" / "wimlib-imagex.exe"
        shutil.copy(tool, self.tool)
        self.target = self.app / "WIM" / "install.wim"
        self.temp = self.app / "WIM" / "install.wim.tmp"

    def command_line(self, source, compression, index):
        app = win_path(self.app) + "\\"
        return (' /C " "' + app + 'Tools\\convertESD_wimlib.bat' + '" "' + win_path(self.tool)
                + '" "' + win_path(source) + '" "' + app + 'WIM\\install.wim' + '" '
                + compression + " " + index + ' "')


class ConversionTestBase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.child = required_path("NIMCHILD")
        cls.bridge = required_path("WIMBRIDGE")
        cls.stubs = {kind: required_path(f"WIMSTUB_{kind.upper()}") for kind in ("partial", "full", "hang")}
        cls.scratch = pathlib.Path(tempfile.mkdtemp(prefix="nimbrel-conv-"))
        cls.esd = make_esd(cls.scratch)
        # The same images as a plain (non-solid) LZX WIM.
        cls.wim = cls.scratch / "install.wim"
        if host("export", cls.esd, "all", cls.wim, "--compress=LZX").returncode != 0:
            raise RuntimeError("cannot make the plain WIM")
        comspec = wine_speaking([cls.child, "env", "COMSPEC"]).stdout.decode().strip()
        if not comspec or comspec == "<unset>":
            raise RuntimeError("COMSPEC is not set in the Wine prefix")
        cls.comspec = comspec

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def setUp(self):
        self.root = pathlib.Path(tempfile.mkdtemp(dir=self.scratch))

    def distribution(self, tool=None, name=SPECIAL):
        """A fresh application folder (also for each sub-test)."""
        return Distribution(pathlib.Path(tempfile.mkdtemp(dir=self.root)), name, tool or self.bridge)

    def source_copy(self, dist, name="Quelle ä & (x) ^!.esd", original=None):
        folder = dist.app / "Quellen (alt) & neu"
        folder.mkdir(exist_ok=True)
        source = folder / name
        shutil.copy(original or self.esd, source)
        return source

    def convert(self, dist, source, compression, index, extra_env=None):
        """Runs the conversion; returns (32-bit exit code, console text)."""
        result = wine_speaking([self.child, "run", self.comspec, dist.command_line(source, compression, index),
                                "code"], extra_env=extra_env)
        lines = result.stdout.decode("cp1252", "replace").rstrip("\r\n").split("\r\n")
        code = int(lines[-1], 16)
        return code, "\n".join(lines[:-1])


class BridgeTest(ConversionTestBase):
    def test_version_equals_the_hosts(self):
        ours = wine([self.bridge, "--version"])
        self.assertEqual(ours.returncode, 0)
        self.assertEqual(ours.stdout, host("--version").stdout)

    def test_paths_are_mapped_and_the_exit_code_relayed(self):
        folder = self.root / "Ordner 50% & (x) ^!ä"
        folder.mkdir()
        esd = folder / "a b.esd"
        shutil.copy(self.esd, esd)
        work = self.root / "Arbeit"
        work.mkdir()
        cases = [
            (["info", win_path(esd)], 0),                       # drive form with backslashes
            (["info", win_path(esd).replace("\\", "/")], 0),    # drive form with slashes
            (["info", win_path(esd), "9"], host("info", esd, "9").returncode),  # the tool's own failure
            # A drive Wine does not know: nothing runs, nothing is written
            # (not even a file of that name in the current folder).
            (["export", win_path(esd), "1", "Q:\\nicht\\da.wim"], 127),
        ]
        for args, expected in cases:
            with self.subTest(args=args):
                result = wine([self.bridge, *args], cwd=work)
                self.assertEqual(result.returncode, expected, result.stdout)
                if expected == 0:
                    self.assertIn(b"Image Count:    2", result.stdout)
                    # The path as it was given, in the Windows side's ANSI
                    # code page, as the real tool writes into a pipe (1252
                    # in our prefix).
                    self.assertIn(f"Path:           {args[1]}".encode("cp1252"), result.stdout)
                if expected == 127:
                    self.assertIn(b"cannot map the path", result.stderr)
                self.assertEqual(list(work.iterdir()), [])
        self.assertNotEqual(host("info", esd, "9").returncode, 0)

    def test_text_arrives_in_the_ansi_code_page_one_byte_per_character(self):
        # A stand-in for the host tool prints UTF-8 in one go: more than one
        # relay buffer, so characters are split between reads.
        umlauts = "x" + "äÖüß€" * 20000 + "\n"
        foreign = "Ω → 漢\n"  # not in code page 1252
        script = self.root / "utf8.sh"
        data = self.root / "utf8.txt"
        data.write_bytes((umlauts + foreign).encode("utf-8"))
        script.write_text(f"#!/bin/sh\ncat '{data}'\n")
        script.chmod(0o755)
        result = wine([self.bridge, "info"], extra_env={"NIMBREL_BRIDGE_HOST_PROGRAM": str(script)})
        self.assertEqual(result.returncode, 0)
        out = result.stdout
        self.assertEqual(out[:len(umlauts)], umlauts.encode("cp1252"))
        # What the code page lacks becomes one byte each (a look-alike or
        # "?"), never the UTF-8 bytes.
        rest = out[len(umlauts):]
        self.assertEqual(len(rest), len(foreign), rest)
        self.assertEqual((rest[1:2], rest[3:4], rest[5:]), (b" ", b" ", b"\n"), rest)

    def test_relative_paths_follow_the_current_directory(self):
        shutil.copy(self.esd, self.root / "relativ.esd")
        result = wine([self.bridge, "info", "relativ.esd"], cwd=self.root)
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertIn(b"Path:           relativ.esd", result.stdout)

    def test_output_is_relayed_while_the_tool_runs(self):
        # A longer export: the progress lines must show up before the end.
        big = self.root / "gross"
        big.mkdir()
        for i in range(40):
            (big / f"f{i}").write_bytes(os.urandom(256 * 1024))
        wim = self.root / "gross.wim"
        self.assertEqual(host("capture", big, wim, "Gross", "--compress=none").returncode, 0)
        out = self.root / "export.wim"
        proc = wine_popen([self.bridge, "export", win_path(wim), "1", win_path(out), "--compress=LZMS"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            first = proc.stdout.read1(4096) if hasattr(proc.stdout, "read1") else proc.stdout.read(1)
            running_when_first_output = proc.poll() is None
            rest = proc.stdout.read()
            self.assertEqual(proc.wait(TIMEOUT), 0)
        finally:
            proc.kill()
            proc.stdout.close()
        self.assertTrue(first)
        self.assertTrue(running_when_first_output, "output arrived only after the tool ended")
        self.assertIn(b"100%", first + rest)
        self.assertEqual(image_info(out)[:2], (1, "LZMS"))


class ConversionTest(ConversionTestBase):
    def test_real_conversion_through_batch_and_bridge(self):
        # "maximum" is a plain LZX WIM, "recovery" solid LZMS as Windows
        # makes it, whatever the source was.
        cases = [("esd", "LZX", "2", "Zwei", False), ("esd", "LZMS", "1", "Eins", True),
                 ("wim", "LZMS", "2", "Zwei", True), ("wim", "LZX", "1", "Eins", False)]
        for kind, compression, index, name, solid in cases:
            with self.subTest(source=kind, compression=compression, index=index):
                dist = self.distribution()
                original = self.esd if kind == "esd" else self.wim
                source = self.source_copy(dist, f"Quelle ä & (x) ^!.{kind}", original)
                code, text = self.convert(dist, source, compression, index)
                self.assertEqual(code, 0, text)
                self.assertEqual(image_info(dist.target, solid=True), (1, compression, [name], solid))
                self.assertFalse(dist.temp.exists())
                self.assertIn("Fertig", text)

    def test_stale_temporary_file_is_removed_first(self):
        dist = self.distribution()
        source = self.source_copy(dist)
        dist.temp.write_bytes(b"MSWIM\0\0\0" + b"Rest eines abgebrochenen Laufs" * 1000)
        code, text = self.convert(dist, source, "LZX", "1")
        self.assertEqual(code, 0, text)
        self.assertIn("alte temporaere Datei", text)
        self.assertFalse(dist.temp.exists())
        self.assertEqual(image_info(dist.target), (1, "LZX", ["Eins"]))

    def test_wrong_arguments_are_refused(self):
        cases = [
            ("LZX", "", "kein Image-Index"),
            ("LZX", "x1", "Image-Index"),
            ("XPRESS", "1", "Unbekannte Kompression"),
        ]
        for compression, index, message in cases:
            with self.subTest(compression=compression, index=index):
                dist = self.distribution(self.stubs["full"])
                source = self.source_copy(dist)
                log = dist.app / "aufrufe.log"
                code, text = self.convert(dist, source, compression, index,
                                          extra_env={"NIMBREL_STUB_LOG": win_path(log), "NIMBREL_STUB_EXIT": "0"})
                self.assertNotEqual(code, 0)
                self.assertIn(message, text)
                self.assertFalse(log.exists(), "the tool was called")
                self.assertFalse(dist.target.exists())

    def test_existing_target_is_left_alone(self):
        dist = self.distribution()
        source = self.source_copy(dist)
        dist.target.write_bytes(b"alte Datei")
        code, text = self.convert(dist, source, "LZX", "1")
        self.assertNotEqual(code, 0)
        self.assertIn("existiert bereits", text)
        self.assertEqual(dist.target.read_bytes(), b"alte Datei")

    def test_failing_tool_leaves_no_target(self):
        # wimlib on Windows also ends with -1; "if errorlevel 1" would miss it.
        cases = [("partial", "1", 1), ("partial", "-1", 0xFFFFFFFF), ("full", "1", 1), ("full", "2", 2)]
        for kind, exit_code, expected in cases:
            with self.subTest(stub=kind, exit_code=exit_code):
                dist = self.distribution(self.stubs[kind])
                source = self.source_copy(dist)
                log = dist.app / "aufrufe.log"
                code, text = self.convert(dist, source, "LZMS", "1",
                                          extra_env={"NIMBREL_STUB_EXIT": exit_code,
                                                     "NIMBREL_STUB_LOG": win_path(log)})
                self.assertEqual(code, expected, text)
                self.assertFalse(dist.target.exists())
                self.assertFalse(dist.temp.exists())
                self.assertIn("Fehlercode", text)
                # The stub was really called, with the options for LZMS.
                call = log.read_text(encoding="utf-8").split("\n")
                self.assertEqual(call[:4], ["export", win_path(source), "1", win_path(dist.temp)])
                self.assertIn("--solid", call)

    def test_interrupted_conversion_leaves_no_target(self):
        # Closing the console window ends the interpreter and the tool
        # abruptly; the hanging stub stands for a tool in mid-export.
        dist = self.distribution(self.stubs["hang"])
        source = self.source_copy(dist)
        proc = wine_popen([self.child, "run", self.comspec, dist.command_line(source, "LZX", "1")],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + TIMEOUT
            while not dist.temp.exists():
                self.assertIsNone(proc.poll(), "the conversion ended early")
                self.assertLess(time.monotonic(), deadline)
                time.sleep(0.2)
            killed = self.kill_linux_processes(self.root.name)
            self.assertGreaterEqual(killed, 2)  # the interpreter and the tool
            proc.wait(TIMEOUT)
        finally:
            proc.kill()
        self.assertFalse(dist.target.exists())
        # The next run with a working tool cleans up and succeeds.
        shutil.copy(self.bridge, dist.tool)
        code, text = self.convert(dist, source, "LZX", "1")
        self.assertEqual(code, 0, text)
        self.assertFalse(dist.temp.exists())
        self.assertEqual(image_info(dist.target), (1, "LZX", ["Eins"]))

    @staticmethod
    def kill_linux_processes(marker):
        """Kills the Wine processes whose command line mentions marker.

        Wine shows a Windows program's command line as the Linux process's
        arguments, split at blanks.
        """
        killed = 0
        for entry in pathlib.Path("/proc").iterdir():
            if not entry.name.isdigit() or int(entry.name) == os.getpid():
                continue
            try:
                args = (entry / "cmdline").read_bytes().decode("utf-8", "replace").split("\0")
            except OSError:
                continue
            # nimchild's "run" line names the paths too; it must live on to
            # report the end.
            if "run" in args or not any(marker in a for a in args):
                continue
            try:
                os.kill(int(entry.name), signal.SIGKILL)
                killed += 1
            except OSError:
                pass
        return killed


WIMLIB_HEADER = pathlib.Path("/usr/include/wimlib.h")
PAUSE_LINE = "Drücken Sie eine beliebige Taste, um dieses Fenster zu schließen."


def wimlib_error_codes():
    """{name: value} of wimlib's error codes, from the installed header."""
    text = WIMLIB_HEADER.read_text()
    return {m.group(1): int(m.group(2)) for m in re.finditer(r"^\s*WIMLIB_ERR_(\w+)\s*=\s*(\d+)", text, re.M)}


def make_encrypted(esd, target):
    """A copy of esd whose XML marks it as an encrypted ESD, as Microsoft's
    encrypted downloads are marked; wimlib refuses to read such a file."""
    data = bytearray(esd.read_bytes())
    size_flags, offset, _ = struct.unpack_from("<QQQ", data, 72)  # the XML data's resource header
    size, flags = size_flags & 0x00FFFFFFFFFFFFFF, size_flags >> 56
    xml = bytes(data[offset:offset + size]).decode("utf-16-le")
    raw = xml.replace("</WIM>", "<ESD><ENCRYPTED>1</ENCRYPTED></ESD></WIM>").encode("utf-16-le")
    struct.pack_into("<QQQ", data, 72, len(raw) | (flags << 56), len(data), len(raw))
    target.write_bytes(bytes(data) + raw)


class FailureNoticeTest(ConversionTestBase):
    """A failed export names its cause in one sentence and waits for a key."""

    SENTENCES = {
        "WIM_IS_ENCRYPTED": "Ursache: Die ESD-Datei ist verschlüsselt; entschlüsseln Sie sie zuerst",
        "INVALID_IMAGE": "Ursache: Die Quelldatei enthält kein Image mit dem Index",
        "WRITE": "Ursache: Die Zieldatei ließ sich nicht schreiben, meist weil der Datenträger voll ist",
        "NOT_A_WIM_FILE": "Ursache: Die Quelldatei ist keine vollständige WIM- oder ESD-Datei",
        "UNEXPECTED_END_OF_FILE": "Ursache: Die Quelldatei ist keine vollständige WIM- oder ESD-Datei",
    }

    def convert_text(self, source_bytes_or_path, index="1", dist=None):
        dist = dist or self.distribution()
        source = self.source_copy(dist, original=source_bytes_or_path)
        code, text = self.convert(dist, source, "LZX", index)
        return dist, code, text

    def assert_notice(self, code, text, name):
        codes = wimlib_error_codes()
        self.assertEqual(code, codes[name], text)
        self.assertIn(self.SENTENCES[name], text)
        self.assertEqual(text.count("Ursache:"), 1, text)
        self.assertIn(PAUSE_LINE, text)

    def test_real_files_give_their_cause(self):
        encrypted = self.scratch / "verschluesselt.esd"
        make_encrypted(self.esd, encrypted)
        random_data = self.scratch / "zufall.esd"
        random_data.write_bytes(os.urandom(300 * 1024))
        tiny = self.scratch / "winzig.esd"
        tiny.write_bytes(b"kein Image")
        cases = [(encrypted, "1", "WIM_IS_ENCRYPTED"), (self.esd, "7", "INVALID_IMAGE"),
                 (random_data, "1", "NOT_A_WIM_FILE"), (tiny, "1", "UNEXPECTED_END_OF_FILE")]
        for source, index, name in cases:
            with self.subTest(cause=name):
                dist, code, text = self.convert_text(source, index)
                self.assert_notice(code, text, name)
                self.assertFalse(dist.target.exists())
                self.assertFalse(dist.temp.exists())
                if name == "INVALID_IMAGE":
                    self.assertIn("Index 7;", text)

    def test_a_full_disk_gives_its_cause(self):
        dist = self.distribution()
        full = pathlib.Path(tempfile.mkdtemp(dir=self.root))
        # A small file system of its own for the output folder.
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", str(full)],
                                 capture_output=True)
        if mounted.returncode != 0:
            self.skipTest("cannot mount a small file system here: " + mounted.stderr.decode(errors="replace"))
        try:
            shutil.rmtree(dist.app / "WIM")
            (dist.app / "WIM").symlink_to(full)
            big = self.scratch / "gross.esd"
            content = self.scratch / "gross"
            content.mkdir()
            (content / "zufall.bin").write_bytes(os.urandom(1024 * 1024))
            self.assertEqual(host("capture", content, big, "Gross", "--solid").returncode, 0)
            _, code, text = self.convert_text(big, dist=dist)
            self.assert_notice(code, text, "WRITE")
            self.assertIn("auf Laufwerk Z: Platz", text)
            self.assertEqual(list(full.iterdir()), [])
        finally:
            subprocess.run(["umount", str(full)], capture_output=True)

    def test_each_code_of_the_header_gives_its_sentence_and_others_none(self):
        codes = wimlib_error_codes()
        cases = [(codes[name], self.SENTENCES[name]) for name in self.SENTENCES]
        cases += [(codes["INVALID_HEADER"], self.SENTENCES["NOT_A_WIM_FILE"]), (codes["OPEN"], None), (1, None)]
        for code, sentence in cases:
            with self.subTest(code=code):
                dist = self.distribution(self.stubs["partial"])
                source = self.source_copy(dist)
                result, text = self.convert(dist, source, "LZX", "1", extra_env={"NIMBREL_STUB_EXIT": str(code)})
                self.assertEqual(result, code)
                self.assertIn(PAUSE_LINE, text)
                if sentence:
                    self.assertIn(sentence, text)
                else:
                    self.assertNotIn("Ursache:", text)

    def test_a_success_does_not_wait(self):
        dist, code, text = self.convert_text(self.esd, "2")
        self.assertEqual(code, 0, text)
        self.assertNotIn(PAUSE_LINE, text)
        self.assertTrue(dist.target.exists())


class PercentPathTest(ConversionTestBase):
    """A single percent sign in the paths (e.g. a folder "Rabatt 50%")."""

    def interpreter_keeps_percent_in_batch_parameters(self):
        probe = self.root / "probe.bat"
        probe.write_bytes(b'@echo off\r\necho [%~1]\r\n')
        line = f' /C " "{win_path(probe)}" "a 5%\\b c 6%.d" "'
        out = wine_speaking([self.child, "run", self.comspec, line]).stdout.decode("cp1252").strip()
        return out == "[a 5%\\b c 6%.d]"

    def test_conversion_with_percent_in_paths(self):
        if not self.interpreter_keeps_percent_in_batch_parameters():
            self.skipTest("this command interpreter expands percent signs inside batch parameters "
                          "(Wine's cmd does; the one of Windows does not)")
        dist = self.distribution(name=SPECIAL + " 50%")
        source = self.source_copy(dist, "Quelle 50%.esd")
        code, text = self.convert(dist, source, "LZX", "2")
        self.assertEqual(code, 0, text)
        self.assertEqual(image_info(dist.target), (1, "LZX", ["Zwei"]))


if __name__ == "__main__":
    unittest.main(verbosity=2)
