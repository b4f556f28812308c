"""Benchmark, not a test: how long a conversion takes through Nimbrel, from
pressing OK on the command-line box to the success box, beside the same
batch file run by hand in a console of its own, the bridge alone and the
host's wimlib-imagex alone, for a tiny ESD and a large one (about 80 MB);
and what the batch file's verification of the result adds to the host's
wimlib-imagex alone (the export with an integrity table, then verify).
Each figure is the median of NIMBREL_BENCH_RUNS runs (default 3)."""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import harness

RUNS = int(os.environ.get("NIMBREL_BENCH_RUNS", "3"))
LARGE_MB = int(os.environ.get("NIMBREL_BENCH_LARGE_MB", "80"))
HOST_WIMLIB = shutil.which("wimlib-imagex") or "/usr/bin/wimlib-imagex"
BRIDGE = Path(os.environ["NIMBREL_WIMBRIDGE"])
TOOL = "Tools/wimlib_x86/wimlib-imagex.exe"
ID_SOURCE, ID_CONVERT = 108, 112


def make_esd(folder, name, megabytes):
    """A solid ESD of about the given size (incompressible content)."""
    esd = folder / f"{name}.esd"
    if esd.exists():
        return esd
    content = folder / f"{name}-inhalt"
    content.mkdir(exist_ok=True)
    if megabytes == 0:
        (content / "a.txt").write_text("klein")
    else:
        for i in range(megabytes):
            (content / f"teil{i:03}.bin").write_bytes(os.urandom(1024 * 1024))
    subprocess.run([HOST_WIMLIB, "capture", content, esd, "Bench", "--solid"], check=True,
                   stdout=subprocess.DEVNULL)
    shutil.rmtree(content)
    return esd


def timed(action):
    start = time.monotonic()
    action()
    return time.monotonic() - start


def wimlib_alone(esd, out):
    out.unlink(missing_ok=True)
    return timed(lambda: subprocess.run([HOST_WIMLIB, "export", esd, "1", out, "--compress=LZX"], check=True,
                                        stdout=subprocess.DEVNULL))


def wimlib_verified(esd, out):
    """What the batch file has wimlib do: export with an integrity table,
    then verify the file data."""
    out.unlink(missing_ok=True)

    def run():
        subprocess.run([HOST_WIMLIB, "export", esd, "1", out, "--compress=LZX", "--check"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([HOST_WIMLIB, "verify", out, "--nocheck"], check=True, stdout=subprocess.DEVNULL)
    return timed(run)


def bridge_alone(install, esd):
    out = install / "WIM" / "install.wim"
    out.unlink(missing_ok=True)
    tool = harness.win_path(install / TOOL)
    return timed(lambda: subprocess.run([harness.wine(), tool, "export", harness.win_path(esd), "1",
                                         harness.win_path(out), "--compress=LZX"], env=harness.wine_env(),
                                        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))


def batch_in_its_console(install, esd):
    """What a user gets by starting the batch file in a console of its own."""
    out = install / "WIM" / "install.wim"
    out.unlink(missing_ok=True)
    batch = harness.win_path(install / "Tools" / "convertESD_wimlib.bat")
    args = [harness.wine(), "cmd", "/c", "start", "/wait", "cmd", "/c", batch, harness.win_path(install / TOOL),
            harness.win_path(esd), harness.win_path(out), "LZX", "1"]
    elapsed = timed(lambda: subprocess.run(args, env=harness.wine_env(), check=True, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL))
    if not out.is_file():
        raise RuntimeError("the batch file made no install.wim")
    return elapsed


def through_nimbrel(install, esd):
    """From pressing OK on the command-line box to the success box."""
    (install / "WIM" / "install.wim").unlink(missing_ok=True)
    with harness.start_nimbrel(install) as app:
        app.set_text(ID_SOURCE, harness.win_path(esd))
        app.click(ID_CONVERT)
        app.msgbox(title="Nimbrel")
        start = time.monotonic()
        app.driver("msgbox-press", "--pid", app.pid, "--title", "Nimbrel", "--button", "OK", "--no-wait")
        app.msgbox(title="Informationen", timeout=600000)
        elapsed = time.monotonic() - start
        app.press("OK", title="Informationen")
    return elapsed


def main():
    cache = harness.ROOT / "build" / "bench"
    cache.mkdir(parents=True, exist_ok=True)
    sources = [("tiny", make_esd(cache, "tiny", 0)), (f"{LARGE_MB} MB", make_esd(cache, f"large{LARGE_MB}", LARGE_MB))]
    with tempfile.TemporaryDirectory() as tmp:
        # No blanks in the paths: "start" would take a quoted first argument
        # for the console's title.
        install = Path(harness.make_install(tmp, name="NimbrelBench", replace={TOOL: BRIDGE}))
        (install / "WIM").mkdir(exist_ok=True)
        print(f"median of {RUNS} runs, seconds; Nimbrel and batch include the verification")
        print(f"{'ESD':>8} {'Nimbrel':>9} {'batch':>9} {'bridge':>9} {'wimlib':>9}   Nimbrel/batch  Nimbrel-batch"
              f"  {'verified':>9}  verification adds")
        for label, esd in sources:
            figures = {name: [] for name in ("nimbrel", "batch", "bridge", "wimlib", "verified")}
            for _ in range(RUNS):
                figures["wimlib"].append(wimlib_alone(esd, Path(tmp) / "host.wim"))
                figures["verified"].append(wimlib_verified(esd, Path(tmp) / "host.wim"))
                figures["bridge"].append(bridge_alone(install, esd))
                figures["batch"].append(batch_in_its_console(install, esd))
                for attempt in range(3):
                    try:
                        figures["nimbrel"].append(through_nimbrel(install, esd))
                        break
                    except harness.DriverError as e:  # Wine rarely fails to start the driver
                        print(f"  (driver failed, run repeated: {e})", file=sys.stderr)
            m = {name: statistics.median(values) for name, values in figures.items()}
            # Each run's pair measured back to back: the load of the machine
            # moves both alike.
            added = statistics.median(v - w for v, w in zip(figures["verified"], figures["wimlib"]))
            print(f"{label:>8} {m['nimbrel']:9.2f} {m['batch']:9.2f} {m['bridge']:9.2f} {m['wimlib']:9.2f}"
                  f"   {m['nimbrel'] / m['batch']:13.2f}  {m['nimbrel'] - m['batch']:13.2f}"
                  f"  {m['verified']:9.2f}  {added:6.2f} s = {100 * added / m['wimlib']:5.1f} % of wimlib alone")
    return 0


if __name__ == "__main__":
    sys.exit(main())
