"""Running Windows programs of the cross build under the project's Wine.

The tests run inside scripts/wine-session.sh (X server, persistent
wineserver). The settings come from scripts/wine-env.sh, so that a test uses
the same prefix and loader as everything else.
"""

import os
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(os.environ.get("NIMBREL_ROOT") or pathlib.Path(__file__).resolve().parents[2])

# Generous: only a guard against hangs.
TIMEOUT = 180


def _load_env():
    script = ROOT / "scripts" / "wine-env.sh"
    out = subprocess.run(["bash", "-c", 'source "$1" && env -0', "bash", str(script)],
                         check=True, capture_output=True).stdout
    env = dict(item.split("=", 1) for item in out.decode().split("\0") if "=" in item)
    # File names and arguments travel as UTF-8 between Linux and Wine.
    env["LC_ALL"] = "C.UTF-8"
    return env


ENV = _load_env()
WINE = ENV["WINELOADER"]


def required_path(variable):
    """A build output handed in by CTest through the environment."""
    value = os.environ.get(variable)
    if not value:
        raise RuntimeError(f"{variable} is not set; run this test through CTest")
    return pathlib.Path(value)


def win_path(path):
    """The Windows name of a Linux path: Wine's drive Z: is the root."""
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def wine(args, extra_env=None, **kwargs):
    """Runs a Windows program; returns the CompletedProcess (bytes)."""
    env = dict(ENV)
    if extra_env:
        env.update(extra_env)
    kwargs.setdefault("timeout", TIMEOUT)
    kwargs.setdefault("capture_output", True)
    # No keyboard: a batch file that waits for a key goes on at once.
    if "input" not in kwargs:
        kwargs.setdefault("stdin", subprocess.DEVNULL)
    return subprocess.run([WINE] + [str(a) for a in args], env=env, **kwargs)


def wine_speaking(args, extra_env=None, **kwargs):
    """Runs a Windows program that always writes something to its standard
    output. Under load Wine now and then fails to start a process at all (a
    non-zero exit, nothing written): then the program has not run, and it is
    started once more."""
    result = wine(args, extra_env, **kwargs)
    if result.returncode != 0 and not result.stdout and not result.stderr:
        print(f"{pathlib.Path(str(args[0])).name}: not started (exit code {result.returncode}), started again",
              file=sys.stderr)
        result = wine(args, extra_env, **kwargs)
    return result


def wine_popen(args, extra_env=None, **kwargs):
    env = dict(ENV)
    if extra_env:
        env.update(extra_env)
    return subprocess.Popen([WINE] + [str(a) for a in args], env=env, **kwargs)
