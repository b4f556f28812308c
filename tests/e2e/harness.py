"""Helpers for the end-to-end tests: start Windows programs under Wine and
drive them from outside with nimdrive.exe, as a user would.

The tests run inside scripts/wine-session.sh, which has started Xvfb and a
persistent wineserver (DISPLAY is set). Locations come from the environment
that CTest sets:

  NIMBREL_DIST         the distribution folder (Nimbrel.exe, Tools\\...)
  NIMBREL_DRIVER       nimdrive.exe (nimdrivehook.dll beside it)
  NIMBREL_FIXTURE      drivefixture.exe (the driver's own test window)
  NIMBREL_ROOT         the repository
  NIMBREL_SCREENSHOTS  where screenshots go (PNG)
  NIMBREL_TIER         win32 for the 32-bit tier (scripts/test-win32.sh): the
                       build/win32 tree under the emulated 32-bit Wine

Standard library only.
"""

import contextlib
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
import uuid
from pathlib import Path

ROOT = Path(os.environ.get("NIMBREL_ROOT") or Path(__file__).resolve().parents[2])
MAIN_TITLE = "Nimbrel v1.8"
# Blanks and non-ASCII letters, as a user's folder may have them.
DEFAULT_INSTALL_NAME = "Nimbrel Prüfung"

# The environment variable that marks every process a test starts, so that
# leftovers can be found and ended without touching anyone else's.
TOKEN_VARIABLE = "NIMBREL_E2E_TOKEN"
# The file name field of the common file dialog (cmb13).
FILE_NAME_ID = 0x47C
# Wine's own service processes: never ours to end, even if they inherited
# the token because a test happened to start the first Wine process.
_WINE_SERVICES = ("wineserver", "services.exe", "winedevice.exe", "plugplay.exe",
                  "explorer.exe /desktop", "svchost.exe", "rpcss.exe")


# The tier: "win" (the 64-bit build under the system's Wine) unless the
# 32-bit tier (scripts/test-win32.sh) sets "win32": the shipped 32-bit build
# under Debian's 32-bit Wine, emulated by qemu-i386 (scripts/emu32-env.sh).
TIER = os.environ.get("NIMBREL_TIER") or "win"
if TIER not in ("win", "win32"):
    raise RuntimeError(f"NIMBREL_TIER must be win or win32, not {TIER!r}")
# What the system line says of the Windows that Wine poses as: a pure
# 32-bit Wine is a 32-bit Windows.
EDITION = "32-Bit-Edition" if TIER == "win32" else "64-Bit-Edition"


def _default_build():
    return ROOT / "build" / TIER


def dist_dir():
    return Path(os.environ.get("NIMBREL_DIST") or _default_build() / "dist")


def driver_exe():
    return Path(os.environ.get("NIMBREL_DRIVER")
                or _default_build() / "tools" / "driver" / "nimdrive.exe")


def fixture_exe():
    return Path(os.environ.get("NIMBREL_FIXTURE")
                or driver_exe().parent / "drivefixture.exe")


def screenshots_dir():
    return Path(os.environ.get("NIMBREL_SCREENSHOTS") or _default_build() / "screenshots")


# ---- Wine -------------------------------------------------------------------

_wine_env_cache = None


def wine_env():
    """The environment for Wine programs: ours plus the tier's Wine settings
    (scripts/wine-env.sh, or scripts/emu32-env.sh for the 32-bit tier)."""
    global _wine_env_cache
    if _wine_env_cache is None:
        script = ROOT / "scripts" / ("emu32-env.sh" if TIER == "win32" else "wine-env.sh")
        out = subprocess.run(["bash", "-c", 'source "$1" && env -0', "bash", str(script)],
                             check=True, stdout=subprocess.PIPE).stdout
        sourced = dict(item.split("=", 1) for item in out.decode().split("\0") if "=" in item)
        env = dict(os.environ)
        for key in ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "WINELOADER", "WINESERVER", "WINEARCH"):
            if key in sourced:
                env[key] = sourced[key]
        # Wine turns the Unix arguments into UTF-16 by the locale's charset;
        # only a UTF-8 locale carries non-ASCII arguments intact.
        if not _is_utf8_locale(env):
            env["LC_CTYPE"] = "C.UTF-8"
            env.pop("LC_ALL", None)
        env.pop(TOKEN_VARIABLE, None)
        _wine_env_cache = env
    return dict(_wine_env_cache)


def _is_utf8_locale(env):
    for key in ("LC_ALL", "LC_CTYPE", "LANG"):
        value = env.get(key)
        if value:
            return "utf-8" in value.lower() or "utf8" in value.lower()
    return False


def wine():
    return wine_env()["WINELOADER"]


def wineprefix():
    return Path(wine_env()["WINEPREFIX"])


def require_display():
    if not os.environ.get("DISPLAY"):
        raise RuntimeError("no DISPLAY: run the end-to-end tests inside scripts/wine-session.sh")


# ---- paths --------------------------------------------------------------------

def _drives():
    """{letter: unix target} of the prefix's dosdevices."""
    devices = wineprefix() / "dosdevices"
    drives = {}
    for entry in devices.iterdir():
        name = entry.name.lower()
        if len(name) == 2 and name[1] == ":" and name[0].isalpha() and entry.is_symlink():
            drives[name[0]] = Path(os.path.realpath(entry))
    return drives


def win_path(unix_path):
    """The Windows path Wine gives a Unix path: the drive whose root is the
    deepest folder above it (Z: is the Unix root)."""
    path = Path(os.path.realpath(os.path.abspath(unix_path)))
    best = None
    for letter, target in _drives().items():
        try:
            rest = path.relative_to(target)
        except ValueError:
            continue
        if best is None or len(target.parts) > len(best[1].parts):
            best = (letter, target, rest)
    if best is None:
        raise ValueError(f"no Wine drive reaches {path}")
    letter, _, rest = best
    parts = [p for p in rest.parts if p not in ("", ".")]
    return letter.upper() + ":\\" + "\\".join(parts)


def unix_path(windows_path):
    """The Unix path of a Windows path with a drive letter. Components are
    matched without regard to case where the exact name does not exist."""
    m = re.match(r"^([A-Za-z]):[\\/]?(.*)$", windows_path)
    if not m:
        raise ValueError(f"not a drive path: {windows_path!r}")
    letter, rest = m.group(1).lower(), m.group(2)
    drives = _drives()
    if letter not in drives:
        raise ValueError(f"drive {letter.upper()}: is not mapped")
    path = drives[letter]
    for part in [p for p in re.split(r"[\\/]+", rest) if p]:
        candidate = path / part
        if not candidate.exists() and path.is_dir():
            for entry in path.iterdir():
                if entry.name.lower() == part.lower():
                    candidate = entry
                    break
        path = candidate
    return path


@contextlib.contextmanager
def map_drive(letter, target):
    """Maps drive letter X: to a Unix folder for the duration of a with-block,
    by a symlink in the prefix's dosdevices."""
    letter = letter.lower().rstrip(":")
    if len(letter) != 1 or not letter.isalpha():
        raise ValueError(f"not a drive letter: {letter!r}")
    link = wineprefix() / "dosdevices" / f"{letter}:"
    if link.exists() or link.is_symlink():
        raise RuntimeError(f"drive {letter.upper()}: is already mapped to {os.path.realpath(link)}")
    os.symlink(os.path.abspath(target), link)
    try:
        yield letter.upper() + ":\\"
    finally:
        with contextlib.suppress(FileNotFoundError):
            os.unlink(link)


# ---- the driver ----------------------------------------------------------------

class DriverError(Exception):
    """nimdrive failed: returncode 1 is wrong use, 2 not found/timeout/refused."""

    def __init__(self, args, returncode, result, stderr):
        self.args_used = args
        self.returncode = returncode
        self.result = result or {}
        self.kind = self.result.get("kind")
        self.stderr = stderr
        super().__init__(f"nimdrive {' '.join(map(str, args))} -> exit {returncode}: "
                         f"{self.result.get('error', stderr.strip()[-500:])}")


def _driver_timeout_seconds(args):
    # The driver's own limit (its --timeout, default 20 s, plus --for) and
    # its watchdog's 30 s, with room for Wine to start it.
    args = list(map(str, args))
    seconds = 20
    if "--timeout" in args:
        i = args.index("--timeout")
        if i + 1 < len(args) and args[i + 1].isdigit():
            seconds = int(args[i + 1]) / 1000
    if "--for" in args:
        i = args.index("--for")
        if i + 1 < len(args) and args[i + 1].isdigit():
            seconds += int(args[i + 1]) / 1000
    return seconds + 45


# What the driver writes to standard error before anything else. Under load
# Wine now and then fails to start a process at all (exit code 1, nothing
# written); a driver that never said this has not acted and is started again.
DRIVER_STARTED = b"nimdrive: started"


def drive(*args, check=True):
    """Runs nimdrive with the arguments and returns its JSON answer (a dict).
    Raises DriverError for a non-zero exit when check is true."""
    args = [str(a) for a in args]
    attempts = 2
    for attempt in range(attempts):
        try:
            proc = subprocess.run([wine(), str(driver_exe()), *args], env=wine_env(),
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  timeout=_driver_timeout_seconds(args))
        except subprocess.TimeoutExpired:
            # The driver has a watchdog of its own; this is Wine not starting it.
            raise DriverError(args, None, {"error": "nimdrive did not answer (Wine hung starting it?); "
                                                    "Wine processes: " + _wine_process_list(),
                                           "kind": "hung"}, "")
        out = proc.stdout.decode("utf-8", errors="replace")
        result = None
        for line in reversed(out.splitlines()):
            if line.strip().startswith("{"):
                result = json.loads(line)
                break
        if (result is None and proc.returncode != 0 and DRIVER_STARTED not in proc.stderr
                and attempt + 1 < attempts):
            print(f"nimdrive {args[0]}: not started (exit code {proc.returncode}), started again", file=sys.stderr)
            continue
        break
    if proc.returncode != 0 or result is None:
        if check:
            if result is None:
                # No answer at all: Wine failed before the driver could speak.
                result = {"error": f"no answer (stdout {out.strip()[-300:]!r}, stderr "
                                   f"{proc.stderr.decode('utf-8', errors='replace').strip()[-500:]!r})",
                          "kind": "no-answer"}
            raise DriverError(args, proc.returncode, result,
                              proc.stderr.decode("utf-8", errors="replace"))
        return result if result is not None else {"error": "no answer", "kind": "no-answer"}
    return result


def _wine_process_list():
    out = []
    for entry in Path("/proc").iterdir():
        if entry.name.isdigit():
            with contextlib.suppress(OSError):
                cmdline = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
                state = (entry / "stat").read_text().split()[2]
                if ".exe" in cmdline or "wine" in cmdline:
                    out.append(f"{entry.name} {state} {cmdline.strip()[:80]}")
    return "; ".join(out)


def _poll(*args):
    """One round of a polling loop: a driver call whose failure (even a
    rare hang of Wine starting the driver) only means "not yet"."""
    try:
        return drive(*args, check=False)
    except DriverError as e:
        return e.result


def processes():
    return drive("processes")["processes"]


def console_text(pid):
    """{hwnd, lines} of the console that process pid writes to."""
    return drive("console-text", "--pid", pid)


def console_key(pid, char=" "):
    """Presses a key in the console of process pid."""
    return drive("console-key", "--pid", pid, "--char", char)


# ---- screenshots ---------------------------------------------------------------

def screenshot(name, rect=None):
    """Saves the Xvfb screen (or the rect {left, top, width, height} of it)
    as <NIMBREL_SCREENSHOTS>/<name>.png and returns the path."""
    require_display()
    folder = screenshots_dir()
    folder.mkdir(parents=True, exist_ok=True)
    safe = re.sub(r"[^\w.-]+", "_", name)
    path = folder / f"{safe}.png"
    cmd = ["import", "-window", "root"]
    if rect:
        cmd += ["-crop", f"{rect['width']}x{rect['height']}+{rect['left']}+{rect['top']}", "+repage"]
    cmd.append(str(path))
    if shutil.which("import"):
        subprocess.run(cmd, check=True, timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    else:
        # xwd + convert does the same where ImageMagick's import is missing.
        xwd = subprocess.run(["xwd", "-root", "-silent"], check=True, stdout=subprocess.PIPE, timeout=60)
        convert = ["convert", "xwd:-"]
        if rect:
            convert += ["-crop", f"{rect['width']}x{rect['height']}+{rect['left']}+{rect['top']}", "+repage"]
        subprocess.run(convert + [str(path)], input=xwd.stdout, check=True, timeout=60)
    return path


def png_size(path):
    """(width, height) from a PNG's header."""
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path} is not a PNG")
    return struct.unpack(">II", head[16:24])


# ---- pixels and colours ----------------------------------------------------------

class Pixels:
    """RGB pixels grabbed from the screen; coordinates within the grabbed rectangle."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def counts(self, left=0, top=0, right=None, bottom=None):
        """{(r, g, b): pixel count} of a part (right and bottom excluded)."""
        out = {}
        for y in range(max(top, 0), min(self.height if bottom is None else bottom, self.height)):
            for x in range(max(left, 0), min(self.width if right is None else right, self.width)):
                colour = self.at(x, y)
                out[colour] = out.get(colour, 0) + 1
        return out


def grab(rect):
    """The pixels of rect {left, top, width, height} of the screen (ImageMagick)."""
    require_display()
    crop = f"{rect['width']}x{rect['height']}+{rect['left']}+{rect['top']}"
    data = subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", "-depth", "8", "ppm:-"],
                          check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    return Pixels(int(m.group(1)), int(m.group(2)), data[m.end():])


def contrast(a, b):
    """The WCAG contrast ratio of two (r, g, b) colours, 1 to 21."""
    def luminance(rgb):
        linear = [v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4 for v in (c / 255 for c in rgb)]
        return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]
    lighter, darker = sorted((luminance(a), luminance(b)), reverse=True)
    return (lighter + 0.05) / (darker + 0.05)


def palette(name="kSmokeyQuartzKamri"):
    """{role: (r, g, b)} of an embedded theme, read from its one table in resources/Themes.cpp."""
    text = (ROOT / "resources" / "Themes.cpp").read_text(encoding="utf-8")
    table = re.search(r"\b" + name + r"\[\]\s*=\s*\{(.*?)\n\};", text, re.S).group(1)
    return {role: (int(r, 16), int(g, 16), int(b, 16)) for role, r, g, b in
            re.findall(r"\{R::(\w+), RGBColor\(0x(\w\w), 0x(\w\w), 0x(\w\w)\)\}", table)}


# ---- another resolution ------------------------------------------------------------

@contextlib.contextmanager
def wine_at_dpi(dpi):
    """Runs the with-block's programs and driver calls in a copy of the test
    prefix whose screen resolution (LogPixels) is dpi, with a wineserver of
    its own, so that the other tests stay at 96 DPI. The copy links the
    prefix's large system folders (Wine does not write them) and copies the
    rest; it is removed afterwards."""
    base = wineprefix()
    copy = base.parent / f"{base.name}-{dpi}dpi"
    shutil.rmtree(copy, ignore_errors=True)
    linked = [Path("drive_c") / "windows" / "system32", Path("drive_c") / "windows" / "winsxs"]
    shutil.copytree(base, copy, symlinks=True,
                    ignore=lambda folder, names: [n for n in names if Path(folder) / n in
                                                  {base / part for part in linked}])
    for part in linked:
        if (base / part).exists():
            subprocess.run(["cp", "-al", str(base / part), str((copy / part).parent)], check=True, timeout=300)
    env = wine_env()
    env["WINEPREFIX"] = str(copy)
    quiet = dict(env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    global _wine_env_cache
    saved = _wine_env_cache
    try:
        subprocess.run([env["WINESERVER"], "-p"], **quiet)
        # What Wine takes for the screen's resolution at each program's start.
        subprocess.run([env["WINELOADER"], "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                        "/t", "REG_DWORD", "/d", str(dpi), "/f"], check=True, **quiet)
        _wine_env_cache = env
        yield copy
    finally:
        _wine_env_cache = saved
        subprocess.run([env["WINESERVER"], "-k"], **quiet)
        subprocess.run([env["WINESERVER"], "-w"], **quiet)
        shutil.rmtree(copy, ignore_errors=True)


# ---- windows and programs ------------------------------------------------------

class Window:
    """A top-level window of a program, driven through nimdrive. Extra
    keyword arguments of the methods become driver options
    (control_class="Button" -> --control-class Button, no_fonts=True -> --no-fonts)."""

    def __init__(self, hwnd, pid):
        self.hwnd = hwnd
        self.pid = pid

    @property
    def sel(self):
        """The driver options that name this window."""
        return ["--hwnd", self.hwnd]

    def window(self, **kw):
        return drive("window", *self.sel, *_opts(kw))

    def controls(self, **kw):
        return drive("controls", *self.sel, *_opts(kw))["controls"]

    def controls_by_id(self, **kw):
        """{id: control}; where IDs repeat, the first in Z-order wins."""
        out = {}
        for c in self.controls(**kw):
            out.setdefault(c["id"], c)
        return out

    def control(self, control_id, **kw):
        return drive("control", *self.sel, "--id", control_id, *_opts(kw))

    def click(self, control_id, force=False, **kw):
        return drive("click", *self.sel, "--id", control_id, *_opts(dict(kw, force=force)))

    def set_text(self, control_id, text, **kw):
        return drive("set-text", *self.sel, "--id", control_id, "--text", text, *_opts(kw))

    def type(self, control_id, text, replace=False, post=False, **kw):
        return drive("type", *self.sel, "--id", control_id, "--text", text,
                     *_opts(dict(kw, replace=replace, post=post)))

    def key(self, control_id, vk, post=False, **kw):
        return drive("key", *self.sel, "--id", control_id, "--vk", vk, *_opts(dict(kw, post=post)))

    def click_at(self, x=None, y=None, control_id=None, button="left", **kw):
        args = ["click-at", *self.sel, "--button", button]
        if control_id is not None:
            args += ["--id", control_id]
        if x is not None:
            args += ["--x", x, "--y", y]
        return drive(*args, *_opts(kw))

    def focus(self):
        return drive("focus", *self.sel)

    def close(self):
        return drive("close", *self.sel)

    def drop_files(self, windows_paths, x=None, y=None):
        """Drops files on the window as Explorer does (client coordinates;
        the middle unless given)."""
        args = ["drop-files", *self.sel, "--files", "|".join(windows_paths)]
        if x is not None:
            args += ["--x", x, "--y", y]
        return drive(*args)

    def wait_gone(self, timeout=20000):
        return drive("wait-gone", "--hwnd", self.hwnd, "--timeout", timeout)

    def screenshot(self, name):
        """A screenshot of just this window."""
        return screenshot(name, self.window(no_fonts=True)["rect"])


class Program(Window):
    """A Windows program started under Wine for one test; its methods of
    Window act on the main window.

    popen   the Linux process (wine's loader runs the program in it)
    pid     the Windows process ID (what the driver knows)
    hwnd    the main window, once it appeared (None when not waited for)
    """

    def __init__(self, exe, args=(), title=None, cwd=None, env=None, wait_window=True,
                 timeout=60, log_dir=None):
        require_display()
        super().__init__(None, None)
        self.exe = Path(exe)
        self.title = title
        self.token = uuid.uuid4().hex
        self._children = set()
        self._followed = False
        self._before = set()
        full_env = wine_env()
        full_env.update(env or {})
        full_env[TOKEN_VARIABLE] = self.token
        self._windows_exe = win_path(self.exe)
        before = {p["pid"] for p in processes()}
        self._before = before
        log_dir = Path(log_dir or screenshots_dir() / "logs")
        log_dir.mkdir(parents=True, exist_ok=True)
        self.log_path = log_dir / f"{self.exe.stem}-{self.token[:8]}.log"
        self._log = open(self.log_path, "wb")
        self.popen = subprocess.Popen([wine(), str(self.exe), *map(str, args)],
                                      cwd=str(cwd or self.exe.parent), env=full_env,
                                      stdin=subprocess.DEVNULL, stdout=self._log,
                                      stderr=subprocess.STDOUT, start_new_session=True)
        try:
            self.pid = self._find_pid(before, timeout)
            if wait_window and title:
                self.wait_window(timeout)
        except BaseException:
            self.stop()
            raise

    def _find_pid(self, before, timeout, windows_exe=None):
        # The Windows process of our Popen: the new one with our image path
        # (a fresh install folder per test makes the path unique).
        windows_exe = windows_exe or self._windows_exe
        deadline = time.monotonic() + timeout
        exclude = ",".join(str(pid) for pid in sorted(before)) or "0"
        while True:
            if self.popen.poll() is not None and not self._followed:
                raise RuntimeError(f"{self.exe.name} ended at once with {self.popen.returncode}; "
                                   f"see {self.log_path}")
            found = _poll("wait-process", "--path", windows_exe, "--exclude-pid", exclude,
                          "--timeout", 1000)
            if "pid" in found:
                return found["pid"]
            if time.monotonic() > deadline:
                raise TimeoutError(f"{windows_exe} did not start as a Windows process")

    def follow(self, exe, title=None, timeout=60):
        """Makes this handle drive the program exe (a Unix path) that the
        started program launched (a launcher that sets up the environment,
        say): its pid, and its main window when a title is given. stop()
        still ends everything the test started."""
        launcher = self.pid
        self._followed = True
        self.pid = self._find_pid(self._before | {launcher}, timeout, win_path(exe))
        self._children.add(self.pid)
        self.title = title
        self.hwnd = None
        if title:
            self.wait_window(timeout)
        return self

    def wait_window(self, timeout=60):
        """Waits for the main window (title) of this process."""
        self.hwnd = self.window_of(self.title, timeout=timeout).hwnd
        return self.hwnd

    def window_of(self, title=None, cls=None, timeout=20):
        """Waits (timeout in seconds) for a visible top-level window of this
        program with that title and/or class and returns it as a Window."""
        args = ["--pid", self.pid]
        if title is not None:
            args += ["--title", title]
        if cls is not None:
            args += ["--class", cls]
        deadline = time.monotonic() + timeout
        while True:
            if self.popen.poll() is not None and not self._followed:
                raise RuntimeError(f"{self.exe.name} ended with {self.popen.returncode} before "
                                   f"{title or cls} appeared; see {self.log_path}")
            found = _poll("wait-window", *args, "--timeout", 1000)
            if "hwnd" in found:
                return Window(found["hwnd"], self.pid)
            if time.monotonic() > deadline:
                raise TimeoutError(f"{title or cls} did not appear: {found.get('error')}")

    @property
    def sel(self):
        if self.hwnd:
            return ["--hwnd", self.hwnd]
        return ["--pid", self.pid, "--title", self.title]

    def driver(self, *args, check=True):
        return drive(*args, check=check)

    def dialog(self, title, timeout=20000):
        """A dialog of this program: window facts and controls in one."""
        return drive("dialog", "--pid", self.pid, "--title", title, "--timeout", timeout)

    def msgbox(self, title=None, timeout=20000):
        """Waits for a message box of this program and describes it."""
        return drive("msgbox", "--pid", self.pid, *(["--title", title] if title else []),
                     "--timeout", timeout)

    def press(self, button, title=None, timeout=20000):
        """Presses a message box button (ID or caption) and waits until the box is gone."""
        return drive("msgbox-press", "--pid", self.pid, "--button", button,
                     *(["--title", title] if title else []), "--timeout", timeout)

    def no_msgbox(self, for_ms=2000):
        """Fails (AssertionError) when a message box of this program shows up
        within for_ms."""
        result = drive("no-msgbox", "--pid", self.pid, "--for", for_ms, check=False)
        if result.get("kind") == "unexpected":
            box = result.get("detail", {})
            raise AssertionError(f"unexpected message box \"{box.get('title')}\": {box.get('text')!r}")
        if "error" in result:
            raise DriverError(["no-msgbox"], 2, result, "")
        return result

    def file_dialog(self, timeout=20):
        """The program's open/save file dialog, once it is up."""
        deadline = time.monotonic() + timeout
        while True:
            for w in drive("windows", "--pid", self.pid, "--class", "#32770")["windows"]:
                if any(c["id"] == FILE_NAME_ID for c in Window(w["hwnd"], self.pid).controls(no_fonts=True)):
                    return Window(w["hwnd"], self.pid)
            if time.monotonic() > deadline:
                raise TimeoutError("no file dialog appeared")
            time.sleep(0.2)

    def choose_file(self, windows_path, timeout=20):
        """Types a path into the file dialog's name field and presses Open."""
        dialog = self.file_dialog(timeout)
        dialog.set_text(FILE_NAME_ID, windows_path)
        dialog.click(1, control_class="Button")
        dialog.wait_gone()

    def cancel_file_dialog(self, timeout=20):
        dialog = self.file_dialog(timeout)
        dialog.click(2, control_class="Button")
        dialog.wait_gone()

    def alive(self):
        """Whether the program runs (the followed one, after follow())."""
        if self._followed:
            return any(p["pid"] == self.pid for p in processes())
        return self.popen.poll() is None

    def wait_exit(self, timeout=60):
        """Waits until the program ended and returns its exit code."""
        result = drive("wait-exit", "--pid", self.pid, "--timeout", int(timeout * 1000), check=False)
        if "error" in result:
            raise TimeoutError(f"{self.exe.name} did not end: {result['error']}")
        if self._followed:
            return result.get("exit_code")
        try:
            code = self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError(f"{self.exe.name}'s Wine process did not end")
        # The driver's answer keeps all 32 bits; Linux keeps only the low 8.
        return result["exit_code"] if result.get("exit_code") is not None else code

    def screenshot(self, name, window_only=False):
        """A screenshot of the screen, or of the main window only."""
        rect = None
        if window_only and self.hwnd and self.alive():
            rect = self.window(no_fonts=True)["rect"]
        return screenshot(name, rect)

    def remember_children(self):
        """Notes the Windows processes this program started, to end them in stop()."""
        if self.pid is not None:
            result = drive("children", "--pid", self.pid, check=False)
            for child in result.get("children", []):
                self._children.add(child["pid"])

    def stop(self, grace=5):
        """Closes the program, and ends it (and what it started) when it does
        not go within grace seconds. Leaves nothing of this test running."""
        try:
            if self.pid is not None and self.alive():
                self.remember_children()
                if self.hwnd:
                    drive("close", "--hwnd", self.hwnd, "--settle", 0, "--timeout", 0, check=False)
                ended = drive("wait-exit", "--pid", self.pid, "--timeout", int(grace * 1000), check=False)
                if "error" in ended:
                    drive("kill", "--pid", self.pid, "--tree", check=False)
            with contextlib.suppress(subprocess.TimeoutExpired):
                self.popen.wait(timeout=grace)
            if self.popen.poll() is None:
                self.popen.kill()
            with contextlib.suppress(subprocess.TimeoutExpired):
                self.popen.wait(timeout=30)
            if self._children:
                running = {p["pid"] for p in processes()}
                for pid in sorted(self._children & running):
                    drive("kill", "--pid", pid, "--tree", check=False)
            kill_marked_processes(self.token)
        finally:
            self._log.close()
            # Keep only logs that say something (WINEDEBUG may be quiet).
            with contextlib.suppress(OSError):
                if self.log_path.stat().st_size == 0:
                    self.log_path.unlink()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
        return False


def _opts(kw):
    out = []
    for key, value in kw.items():
        flag = "--" + key.replace("_", "-")
        if value is True:
            out.append(flag)
        elif value not in (False, None):
            out += [flag, value]
    return out


def marked_processes(token):
    """Linux PIDs of the processes whose environment carries the test's
    token (what the test's program started, also Linux programs started
    through Wine), except Wine's shared service processes."""
    marker = f"{TOKEN_VARIABLE}={token}".encode()
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit() or int(entry.name) == os.getpid():
            continue
        try:
            environ = (entry / "environ").read_bytes()
            cmdline = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue
        if marker not in environ.split(b"\0"):
            continue
        if any(service in cmdline for service in _WINE_SERVICES):
            continue
        found.append(int(entry.name))
    return found


def kill_marked_processes(token):
    """Ends the processes of marked_processes(token); returns their PIDs."""
    killed = []
    for pid in marked_processes(token):
        with contextlib.suppress(ProcessLookupError, PermissionError):
            os.kill(pid, signal.SIGKILL)
            killed.append(pid)
    return killed


# ---- Nimbrel ------------------------------------------------------------------------

def make_install(tmpdir, name=DEFAULT_INSTALL_NAME, tools=True, replace=None, source=None):
    """Copies the distribution folder (without an output folder WIM) to
    <tmpdir>/<name> and returns the copy.

    tools    False removes the Tools folder
    replace  {relative path: content}: a Path is copied there, bytes or str
             (UTF-8) are written, None deletes; relative paths use / or \\
    source   another folder to copy instead of NIMBREL_DIST
    """
    dist = Path(source or dist_dir())
    if not (dist / "Nimbrel.exe").is_file() and source is None:
        raise FileNotFoundError(f"{dist} has no Nimbrel.exe: build the distribution first")
    target = Path(tmpdir) / name
    # A fresh install has no output folder, even when the program already
    # ran in the distribution folder and made one there.
    shutil.copytree(dist, target, ignore=lambda folder, names:
                    ["WIM"] if Path(folder) == dist else [])
    if not tools:
        shutil.rmtree(target / "Tools", ignore_errors=True)
    for relative, content in (replace or {}).items():
        path = target / Path(*re.split(r"[\\/]+", relative))
        if content is None:
            if path.is_dir():
                shutil.rmtree(path)
            elif path.exists():
                path.unlink()
            continue
        path.parent.mkdir(parents=True, exist_ok=True)
        if isinstance(content, bytes):
            path.write_bytes(content)
        elif isinstance(content, str):
            path.write_text(content, encoding="utf-8")
        else:
            shutil.copy2(content, path)
    return target


def start_nimbrel(install_dir, env=None, wait_window=True, timeout=60):
    """Starts <install_dir>/Nimbrel.exe under Wine; returns its Program once
    the main window "Nimbrel v1.8" is there (or at once, wait_window=False).
    env adds to the environment; variables that Wine sets from its registry
    (COMSPEC among them) keep Wine's value and need a launcher instead
    (Program(...) of a helper, then follow())."""
    return Program(Path(install_dir) / "Nimbrel.exe", title=MAIN_TITLE, cwd=install_dir, env=env,
                   wait_window=wait_window, timeout=timeout)


def start_fixture(title="Nimdrive-Fixtur", exit_code=None):
    args = ["--title", title]
    if exit_code is not None:
        args += ["--exit-code", exit_code]
    return Program(fixture_exe(), args, title=title)
