"""Benchmark, not a test: the processor time Nimbrel.exe uses while it waits
for a conversion child that runs for 20 seconds, as a share of one core.
A waiting loop that spins would show about 100 %."""

import os
import sys
import tempfile
import time
from pathlib import Path

import harness

SECONDS = int(os.environ.get("NIMBREL_BENCH_SECONDS", "20"))


def cpu_seconds(linux_pid):
    fields = Path(f"/proc/{linux_pid}/stat").read_text().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def linux_pid_of(exe_name):
    """The Linux process in which Wine runs the program (not its launcher)."""
    for entry in sorted(Path("/proc").iterdir(), key=lambda e: -int(e.name) if e.name.isdigit() else 0):
        if entry.name.isdigit():
            try:
                cmdline = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
            except OSError:
                continue
            if cmdline.rstrip().lower().endswith(exe_name.lower()) and "wine" not in cmdline.split()[0]:
                return int(entry.name)
    raise RuntimeError(f"no Linux process runs {exe_name}")


def main():
    nimchild = Path(os.environ["NIMBREL_NIMCHILD"])
    batch = f'@echo off\r\n"%~dp0nimchild.exe" sleep {SECONDS * 1000}\r\nexit /b 0\r\n'.encode()
    with tempfile.TemporaryDirectory() as tmp:
        install = Path(harness.make_install(tmp, replace={
            "Tools/convertESD_wimlib.bat": batch, "Tools/nimchild.exe": nimchild,
            "Tools/wimlib_x86/wimlib-imagex.exe": nimchild}))
        source = install / "quelle.esd"
        source.write_bytes(b"x")
        with harness.start_nimbrel(install) as app:
            pid = linux_pid_of("Nimbrel.exe")
            print(f"Nimbrel.exe runs as Linux process {pid}, {cpu_seconds(pid):.2f} s processor time after start-up")
            app.set_text(108, harness.win_path(source))
            app.click(112)
            app.msgbox(title="Nimbrel")
            app.press("OK", title="Nimbrel")
            time.sleep(1)  # the child is running now
            start_cpu, start = cpu_seconds(pid), time.monotonic()
            app.msgbox(title="Fehler", timeout=(SECONDS + 60) * 1000)
            cpu, wall = cpu_seconds(pid) - start_cpu, time.monotonic() - start
            app.press("OK", title="Fehler")
    print(f"waiting loop: {cpu:.2f} s processor time in {wall:.1f} s of waiting "
          f"= {100 * cpu / wall:.2f} % of one core")


if __name__ == "__main__":
    sys.exit(main())
