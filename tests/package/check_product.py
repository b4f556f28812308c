"""Checks the shipped Nimbrel.exe as a user's Windows would see it: a 32-bit
GUI program that needs no DLL beside it, with its manifest and version
resource compiled in, without symbols, whose symbols stay in the build."""

import re
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib
from pathlib import Path

EXE = Path(sys.argv.pop(1) if len(sys.argv) > 1 else "build/win32/dist/Nimbrel.exe")
# The symbols, kept in the build folder (the one above dist), not shipped.
DEBUG_FILE = EXE.parent.parent / "Nimbrel.debug"
# A budget: the stripped program is about 0.7 MB; with its symbols it is
# more than three times that.
MAX_SIZE = 1024 * 1024
TOOL_PREFIX = "i686-w64-mingw32-"
SYSTEM_DLLS = {"comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll",
               "user32.dll", "advapi32.dll", "netapi32.dll", "version.dll", "uxtheme.dll", "ole32.dll",
               "oleacc.dll", "oleaut32.dll"}
SUPPORTED_OS = {
    "e2011457-1546-43c5-a5fe-008deee3d3f0": "Vista",
    "35138b9a-5d96-4fbd-8e2d-a2440225f93a": "7",
    "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38": "8",
    "1f676c76-80e1-4239-95bb-83d0f6d0da78": "8.1",
    "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a": "10",
}


class Product(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.data = EXE.read_bytes()
        cls.headers = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(EXE)], capture_output=True,
                                     text=True, check=True).stdout

    def test_32_bit_gui_program(self):
        self.assertRegex(self.headers, r"Magic\s+010b\s+\(PE32\)")
        self.assertRegex(self.headers, r"Subsystem\s+00000002\s+\(Windows GUI\)")

    def test_imports_only_system_dlls(self):
        imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", self.headers)}
        self.assertTrue(imported)
        self.assertLessEqual(imported, SYSTEM_DLLS, imported - SYSTEM_DLLS)

    def test_version_resource(self):
        at = self.data.find(struct.pack("<I", 0xFEEF04BD))
        self.assertGreaterEqual(at, 0, "no VS_FIXEDFILEINFO")
        _, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", self.data, at)
        self.assertEqual((file_ms, file_ls), (0x00010008, 0))      # 1.8.0.0
        self.assertEqual((product_ms, product_ls), (0x00010000, 0))  # 1.0.0.0

    def test_manifest(self):
        start = self.data.find(b"<assembly")
        end = self.data.find(b"</assembly>", start)
        self.assertGreaterEqual(start, 0, "no manifest")
        manifest = self.data[start:end].decode()
        self.assertIn('level="requireAdministrator"', manifest)
        self.assertRegex(manifest, r'name="Microsoft\.Windows\.Common-Controls"\s+version="6\.0\.0\.0"')
        declared = set(re.findall(r'supportedOS Id="\{([0-9a-f-]+)\}"', manifest))
        self.assertEqual(declared, set(SUPPORTED_OS))
        # Per-monitor v2, with per-monitor and system-aware fallbacks for older systems.
        self.assertRegex(manifest, r'<dpiAware xmlns="http://schemas\.microsoft\.com/SMI/2005/WindowsSettings">'
                                   r'true/pm</dpiAware>')
        self.assertRegex(manifest, r'<dpiAwareness xmlns="http://schemas\.microsoft\.com/SMI/2016/'
                                   r'WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>')
        self.assertRegex(manifest, r'<longPathAware xmlns="http://schemas\.microsoft\.com/SMI/2016/'
                                   r'WindowsSettings">true</longPathAware>')

    def test_stripped_and_small(self):
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        symbol_count = struct.unpack_from("<I", self.data, pe + 4 + 12)[0]  # COFF header's NumberOfSymbols
        self.assertEqual(symbol_count, 0, "the exe carries a symbol table")
        self.assertIn("symbols stripped", self.headers)
        sections = re.findall(r"^\s*\d+\s+(\S+)\s+[0-9a-f]{8}", self.section_list(EXE), re.M)
        self.assertIn(".text", sections)
        self.assertEqual([name for name in sections if name.startswith((".debug", ".zdebug", ".stab"))], [])
        self.assertLessEqual(len(self.data), MAX_SIZE)

    def test_debug_file_in_the_build_named_by_the_debug_link(self):
        self.assertTrue(DEBUG_FILE.is_file(), DEBUG_FILE)
        self.assertFalse((EXE.parent / DEBUG_FILE.name).exists(), "the symbols must not be shipped")
        with tempfile.TemporaryDirectory() as tmp:
            link_file = Path(tmp) / "link"
            subprocess.run([TOOL_PREFIX + "objcopy", "--dump-section", f".gnu_debuglink={link_file}", str(EXE),
                            str(Path(tmp) / "copy.exe")], check=True, capture_output=True)
            link = link_file.read_bytes()
        name = link[:link.index(b"\0")].decode()
        self.assertEqual(name, DEBUG_FILE.name)
        crc = struct.unpack_from("<I", link, len(link) - 4)[0]
        self.assertEqual(crc, zlib.crc32(DEBUG_FILE.read_bytes()), "the debug file is not the one linked")
        # A crash address can be turned into a function and a line.
        debug_sections = self.section_list(DEBUG_FILE)
        self.assertIn(".debug_line", debug_sections)
        symbols = subprocess.run([TOOL_PREFIX + "nm", "-C", str(DEBUG_FILE)], capture_output=True, text=True,
                                 check=True).stdout
        self.assertIn("TForm1::btnConvertClick()", symbols)

    @staticmethod
    def section_list(path):
        return subprocess.run([TOOL_PREFIX + "objdump", "-h", str(path)], capture_output=True, text=True,
                              check=True).stdout

    def test_icon(self):
        self.assertIn(".rsrc", self.headers)
        # The icon group's first entry: a 256-pixel (0) or smaller image.
        self.assertIn(b"\x00\x00\x01\x00", self.data)


if __name__ == "__main__":
    unittest.main()
