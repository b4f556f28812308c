"""The system line in the header of the real program, with Wine told to
pose as different Windows versions (the prefix's HKCU\\Software\\Wine
"Version"). Wine 8 reports "win7" as a server product (type 3) and
"win2008r2" as a workstation, so those two settings swap their names."""

import subprocess
import tempfile
import unittest

import harness

EXPECTED = {
    "win10": f"Ihr System: Windows 10 (Version 10.0, Build 18362, {harness.EDITION})",
    "win81": f"Ihr System: Windows 8.1 (Version 6.3, Build 9600, {harness.EDITION})",
    "win8": f"Ihr System: Windows 8 (Version 6.2, Build 9200, {harness.EDITION})",
    "win7": f"Ihr System: Windows Server 2008 R2 Service Pack 1 (Version 6.1, Build 7601, {harness.EDITION})",
    "win2008r2": f"Ihr System: Windows 7 Service Pack 1 (Version 6.1, Build 7601, {harness.EDITION})",
}
if harness.TIER == "win32":
    # Each start costs seconds under emulation: one version of each kind.
    EXPECTED = {version: EXPECTED[version] for version in ("win10", "win7")}


def reg(*args):
    subprocess.run([harness.wine(), "reg", *args], env=harness.wine_env(), check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)


class SystemLine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.install = harness.make_install(cls.tmp.name)

    @classmethod
    def tearDownClass(cls):
        reg("delete", r"HKCU\Software\Wine", "/v", "Version", "/f")
        cls.tmp.cleanup()

    def test_header_names_the_version_wine_poses_as(self):
        for version, line in EXPECTED.items():
            with self.subTest(version=version):
                reg("add", r"HKCU\Software\Wine", "/v", "Version", "/d", version, "/f")
                with harness.start_nimbrel(self.install) as app:
                    self.assertEqual(app.control(103)["text"], line)
                    if version == "win10":
                        app.screenshot("main-window-win10", window_only=True)


if __name__ == "__main__":
    unittest.main()
