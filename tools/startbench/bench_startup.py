"""Benchmark, not a test: how long Nimbrel's main window takes to appear,
against its yardstick, under the same Wine session. The yardstick is a bare
window with the same system controls as Nimbrel's main window (the same
classes, the combo box with its edit field, the same sizes, styles and fonts,
Nimbrel's manifest) and nothing of Nimbrel's own.

Two clocks, both as medians of alternating runs after one warm-up run each:
- from the `wine` command on the host (what a user starting the program on
  Linux waits; the figure the start-up target is set in), watched from a
  waiting watcher inside Wine;
- from CreateProcess inside Wine (what a user starting it on Windows waits,
  without Wine's own loader start).
A bare window alone, and built with Nimbrel's libraries and manifest, shows
what the process and loading those cost. Then Nimbrel's start-up steps timed
one by one, and what each part of a window costs the first time in a process
(medians)."""

import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

WINE = os.environ["WINELOADER"]
BUILD = Path(os.environ["NIMBREL_BUILD"])
BENCH = BUILD / "tools" / "startbench"
WATCH = BENCH / "startwatch.exe"
RUNS = int(os.environ.get("NIMBREL_BENCH_RUNS", "21"))
TARGET = 1.2  # Nimbrel may take this many times as long as the yardstick

PROGRAMS = {
    "bare Win32 window": (BENCH / "barewindow.exe", "Nimbrel bare window"),
    "  + Nimbrel's libraries": (BENCH / "barewindow_libs.exe", "Nimbrel bare window"),
    "yardstick": (BENCH / "yardstick.exe", "Nimbrel yardstick"),
    "Nimbrel main window": (BUILD / "dist" / "Nimbrel.exe", "Nimbrel v1.8"),
}
YARDSTICK, NIMBREL = "yardstick", "Nimbrel main window"


def run(*args):
    # Rarely Wine ends a new process at once with nothing written: that run
    # is made again; any other failure is reported.
    for _ in range(3):
        out = subprocess.run([WINE, *map(str, args)], capture_output=True, text=True, timeout=120)
        if out.returncode == 0:
            return out.stdout
        if out.stdout or out.stderr:
            break
    raise RuntimeError(f"{args[0]} failed ({out.returncode}): {out.stderr.strip()}")


def from_host(program, title):
    """Milliseconds from the host's `wine program` to visible and to painted."""
    watcher = subprocess.Popen([WINE, str(WATCH), "--wait", "--title", title],
                               stdout=subprocess.PIPE, text=True)
    try:
        if watcher.stdout.readline().strip() != "ready":
            raise RuntimeError("the watcher did not start")
        start = time.monotonic()
        child = subprocess.Popen([WINE, str(program)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        seen = {}
        for line in watcher.stdout:
            seen[line.strip()] = (time.monotonic() - start) * 1000
            if "painted" in seen:
                break
        watcher.wait(timeout=60)
        child.wait(timeout=60)
        if "painted" not in seen:
            raise RuntimeError(f"{program.name}: no window titled {title!r}")
        return seen["visible"], seen["painted"]
    finally:
        if watcher.poll() is None:
            watcher.kill()


def in_wine(program, title):
    """Milliseconds from CreateProcess inside Wine to visible and to painted."""
    visible, painted = run(WATCH, "--title", title, program).split()
    return float(visible), float(painted)


def measure(how):
    """Alternating runs of every program, after one warm-up run each."""
    for program, title in PROGRAMS.values():
        how(program, title)  # warm-up
    samples = {name: [] for name in PROGRAMS}
    for _ in range(RUNS):
        for name, (program, title) in PROGRAMS.items():
            samples[name].append(how(program, title))
    return samples


def report(heading, samples):
    def median(name, i):
        return statistics.median(s[i] for s in samples[name])

    def best(name, i):
        return min(s[i] for s in samples[name])

    print(heading)
    print(f"{'':26}{'visible':>10}{'painted':>10}   {'fastest: visible':>16}{'painted':>10}")
    for name in PROGRAMS:
        print(f"{name:26}{median(name, 0):>10.1f}{median(name, 1):>10.1f}   "
              f"{best(name, 0):>16.1f}{best(name, 1):>10.1f}")
    ratio = median(NIMBREL, 1) / median(YARDSTICK, 1)
    print(f"{'ratio to the yardstick':26}{median(NIMBREL, 0) / median(YARDSTICK, 0):>9.2f}x{ratio:>9.2f}x   "
          f"{best(NIMBREL, 0) / best(YARDSTICK, 0):>15.2f}x{best(NIMBREL, 1) / best(YARDSTICK, 1):>9.2f}x")
    print(f"painted within {TARGET}x the yardstick (medians): {'yes' if ratio <= TARGET else 'no'}")
    print()


def main():
    report(f"From the host's wine command, median of {RUNS} runs (ms):", measure(from_host))
    report(f"From CreateProcess inside Wine, median of {RUNS} runs (ms):", measure(in_wine))

    for heading, args in (("Nimbrel's start-up steps", ()), ("First-time cost of each part of a window", ("--parts",))):
        steps, order = {}, []
        for _ in range(RUNS):
            for line in run(BENCH / "startsteps.exe", *args).splitlines():
                ms, what = line.strip().split(" ", 1)
                if what not in steps:
                    steps[what] = []
                    order.append(what)
                steps[what].append(float(ms))
        print(f"{heading}, median of {RUNS} runs (ms):")
        for what in order:
            print(f"{statistics.median(steps[what]):>8.1f}  {what}")
        print()

if __name__ == "__main__":
    sys.exit(main())
