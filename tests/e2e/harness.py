"""Drives Pathstow under Wine as a user would: X display, Wine session with the
"shell" virtual desktop, mouse and keys, registry, screenshots.

Paths come from the environment that ctest sets (PATHSTOW_EXE, PATHSTOW_PROBE,
PATHSTOW_RECORDER, PATHSTOW_WINE, PATHSTOW_E2E_PREFIX, PATHSTOW_E2E_ARTIFACTS);
without them the build tree of the architecture this host can run is used.
PATHSTOW_WINEDEBUG replaces WINEDEBUG=-all (e.g. warn+heap); Wine's messages
then name their process.

Sizes that the host's fonts decide (menu rows, the taskbar) are measured in
the session, never assumed: see WineSession.measure.
"""

import os
import re
import select
import shutil
import subprocess
import tempfile
import time
import uuid
from pathlib import Path
from types import SimpleNamespace

ROOT = Path(__file__).resolve().parents[2]

# The size of the private display and of the Wine desktop on it.
SCREEN_W, SCREEN_H = 1024, 768

# Windows' own numbers, in one place.
WM_CLOSE, WM_COMMAND, WM_QUIT, WM_USER, WM_CONTEXTMENU = 0x0010, 0x0111, 0x0012, 0x0400, 0x007B
WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN = 0x201, 0x202, 0x203, 0x204
# What an icon of version 3 gets besides: after a mouse selection, after Enter or Space on it.
NIN_SELECT, NIN_KEYSELECT = 0x400, 0x401
IDOK, IDCANCEL = 1, 2
BM_GETCHECK, TVM_GETCOUNT, TVM_GETEDITCONTROL, TVM_GETITEMHEIGHT = 0x00F0, 0x1105, 0x110F, 0x111C
# Where Wine reads the display scale (LogPixels) when a session starts, and
# the scale of the second session that tests may ask for: 150 %.
DESKTOP_SETTINGS = r"HKCU\Control Panel\Desktop"
HIGH_DPI = 144


def resource_ids():
    """The program's ids from res/resource.h, never restated: RES.IDC_ADD, RES.ID_TRAY_QUIT..."""
    text = (ROOT / "res" / "resource.h").read_text()
    return SimpleNamespace(**{name: int(number) for name, number in
                              re.findall(r"^#define\s+(\w+)\s+(\d+)\s*$", text, re.M)})


RES = resource_ids()
# The program's notification message (app/TrayApp.h) and its icon's id.
WM_TRAYNOTIFY, TRAY_ICON_ID = WM_USER + 101, RES.IDR_MAINFRAME
# The tray menu after the bookmarks (separator, Options, separator, About, Quit); positions in it.
MENU_TAIL = "sisii"
OPTIONS_ITEM, ABOUT_ITEM, QUIT_ITEM = 1, 3, 4
OPTIONS_TITLE, ABOUT_TITLES = "Pathstow", {"en": "About Pathstow", "fr": "A propos de Pathstow"}
PATH_LIST, COMMAND = r"\Path List", r"\Command"  # the program's two registry sections


# Bookmarks for several files: an access key and a backslash; five names out of order.
NATURAL_ENTRIES = [("&Documents", r"C:\users\Public\Documents"), ("Music", r"C:\users\Public\Music"),
                   ("Projects\\Pathstow", r"C:\Projects\Pathstow")]
FIVE = [("Echo", r"C:\e"), ("Alpha", r"C:\a"), ("Delta", r"C:\d"), ("Bravo", r"C:\b"), ("Charlie", r"C:\c")]


def menu_layout(bookmarks):
    """The tray menu's entries for menu_item_point: the bookmarks, then the tail."""
    return "i" * bookmarks + MENU_TAIL


class Timeout(AssertionError):
    pass


def wait_until(predicate, timeout=15.0, interval=0.1, what="condition"):
    """Polls predicate until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Timeout(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def holds(predicate, seconds, interval=0.1):
    """Whether predicate stays true for `seconds`: nothing happening cannot be waited for."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if not predicate():
            return False
        time.sleep(interval)
    return True


def project_version():
    """The version the build holds: CMake's project(VERSION), its one home."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"^project\(Pathstow\s+VERSION\s+([0-9.]+)", text, re.M).group(1)


def _host_runs_32bit():
    if os.environ.get("PATHSTOW_NO_WIN32", "0") != "0":
        return False  # the scripts' switch: behave as on a host without 32-bit Wine
    try:
        return subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True,
                              timeout=20).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def default_paths():
    arch = os.environ.get("PATHSTOW_ARCH") or ("i686" if _host_runs_32bit() else "x86_64")
    build = ROOT / "build" / arch
    wine = "/usr/lib/wine/wine" if arch == "i686" else "/usr/lib/wine/wine64"
    env = os.environ
    return {
        "exe": Path(env.get("PATHSTOW_EXE", build / "Pathstow.exe")),
        "probe": Path(env.get("PATHSTOW_PROBE", build / "tests" / "probe.exe")),
        "recorder": Path(env.get("PATHSTOW_RECORDER", build / "tests" / "recorder.exe")),
        "wine": env.get("PATHSTOW_WINE", wine),
        "prefix": Path(env.get("PATHSTOW_E2E_PREFIX", build / "wineprefix-e2e")),
        "artifacts": Path(env.get("PATHSTOW_E2E_ARTIFACTS", build / "e2e-artifacts")),
    }


def wineserver_for(wine):
    """The wineserver that belongs to a loader: wine64 uses wineserver64."""
    folder, name = os.path.split(wine)
    candidate = os.path.join(folder or "/usr/lib/wine", "wineserver64" if name == "wine64" else "wineserver")
    return candidate if os.path.exists(candidate) else "wineserver"


def parse_records(text):
    """Parses probe output: one record per line, tab-separated key=value, \\t \\n \\r \\\\ escaped."""
    def unescape(value):
        return re.sub(r"\\(.)", lambda m: {"t": "\t", "n": "\n", "r": "\r"}.get(m[1], m[1]), value)
    return [{key: unescape(value) for key, _, value in (field.partition("=") for field in line.split("\t"))}
            for line in text.splitlines() if line.strip()]


class RegData(str):
    """Data that a .reg file takes as it is, such as "hex(7):41,00,00"."""


def reg_data(value):
    """A value as .reg data: an int as a DWORD (negative ones too), RegData as it is, text quoted."""
    if isinstance(value, int):
        return f"dword:{value & 0xFFFFFFFF:08x}"
    return value if isinstance(value, RegData) else '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


def value_switch(name):
    """reg's switch for a value: /ve for the key's default value (name "")."""
    return [] if name is None else ["/ve"] if name == "" else ["/v", name]


def rect_of(record):
    return tuple(int(v) for v in record["rect"].split(","))


def centre(rect):
    """The middle of a rectangle (left, top, right, bottom), where a user clicks."""
    left, top, right, bottom = rect
    return (left + right) // 2, (top + bottom) // 2


def crop(picture, rect, *operations, out="txt:-"):
    """Cuts `rect` out of a picture with ImageMagick, then `operations`; writes the file `out`,
    or answers the text of "txt:-" (a line per pixel)."""
    left, top, right, bottom = rect
    return subprocess.run(["convert", str(picture), "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                           "+repage", *operations, str(out)], capture_output=True, text=True, check=True,
                          timeout=60).stdout


class Display:
    """A private Xvfb display, 1024x768x24, on a display number that Xvfb
    itself finds free (two runs at once never take the same one)."""

    def __init__(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip() if select.select([pipe], [], [], 60)[0] else ""
        if not number.isdigit():
            self.close()
            raise RuntimeError("Xvfb could not start")
        self.name = f":{number}"

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


class WineSession:
    """One Wine session in a private prefix, its "shell" desktop (taskbar, notification area) on
    a private X display. `dpi`: the prefix's display scale (LogPixels, read when the session
    starts); `tag` ("-150" at 144 DPI) then marks the session's files among the artifacts."""

    def __init__(self, paths, display, dpi=None):
        self.paths = paths
        self.wine = paths["wine"]
        self.wineserver = wineserver_for(self.wine)
        self.display = display
        # One locale whatever the host's: Wine takes its language and code
        # page from it (a test that wants French sets LC_ALL itself).
        self.env = dict(os.environ, DISPLAY=display.name, WINEPREFIX=str(paths["prefix"]),
                        WINEDEBUG="+pid," + (os.environ.get("PATHSTOW_WINEDEBUG") or "-all"),
                        WINEDLLOVERRIDES="mscoree,mshtml=", LC_ALL="C.UTF-8")
        for name in ("PATHSTOW_RECORD_FILE", "LANGUAGE"):
            self.env.pop(name, None)
        self.artifacts = paths["artifacts"]
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self.desktop = None
        self.clicks = []  # (x, y, when) of the recent clicks
        self.tag = f"-{dpi * 100 // 96}" if dpi else ""
        self._prepare_prefix()
        if dpi and self.reg_get(DESKTOP_SETTINGS, "LogPixels") != dpi:
            self.reg_set(DESKTOP_SETTINGS, "LogPixels", dpi)
        self.restart_desktop()
        self.measure()

    # -- Wine processes ------------------------------------------------------

    def run(self, *args, timeout=60, check=True, env=None):
        command = [self.wine, *map(str, args)]

        def once():
            # Output through files, not pipes: a desktop that closed when its
            # last program ended comes back with the next program that needs
            # it, and keeps that program's output open while it runs.
            with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
                code = subprocess.run(command, env=env or self.env, stdout=out, stderr=err, timeout=timeout,
                                      stdin=subprocess.DEVNULL).returncode
                out.seek(0)
                err.seek(0)
                return subprocess.CompletedProcess(command, code, out.read(), err.read())

        result = once()
        if check and result.returncode != 0:
            # On a loaded host a Wine tool (reg above all) now and then fails
            # once with no word of why; the same call then goes through.
            time.sleep(0.5)
            result = once()
        if check and result.returncode != 0:
            raise RuntimeError(f"wine {' '.join(map(str, args))} failed ({result.returncode}): "
                               f"{result.stdout.decode(errors='replace')}{result.stderr.decode(errors='replace')}")
        return result

    def start(self, exe, *args, cwd=None, extra_env=None, log=None):
        """Starts a program in the session; Wine's messages go to `log` (appended) when given."""
        env = dict(self.env, **(extra_env or {}))
        with open(log or os.devnull, "ab") as out:
            return subprocess.Popen([self.wine, str(exe), *map(str, args)], env=env, cwd=cwd,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=out)

    def _prepare_prefix(self):
        prefix = self.paths["prefix"]
        # The prefix has the bitness of the loader, so that the probe reads
        # every process in it: a 32-bit prefix for the 32-bit build. One of
        # the other kind that this harness made is made anew.
        arch = "win64" if os.path.basename(self.wine).endswith("64") else "win32"
        ready = prefix / ".pathstow-ready"
        system = prefix / "system.reg"
        if ready.exists() and system.exists() and f"#arch={arch}\n" not in system.read_text(errors="replace"):
            shutil.rmtree(prefix)
        if not ready.exists():
            self._create_prefix(prefix, arch)
        # Wine started through its 64-bit loader does not find its own font
        # folder: without Marlett, captions show "0 1 r" instead of their buttons.
        fonts, marlett = prefix / "drive_c" / "windows" / "Fonts", Path("/usr/share/wine/fonts/marlett.ttf")
        if marlett.exists() and fonts.is_dir() and not (fonts / marlett.name).exists():
            shutil.copy(marlett, fonts)

    def _create_prefix(self, prefix, arch):
        prefix.mkdir(parents=True, exist_ok=True)
        self.run("wineboot", "-i", timeout=300, check=False, env=dict(self.env, WINEARCH=arch))
        # Every program started with plain wine then runs in the "shell" desktop.
        self.run("reg", "add", r"HKCU\Software\Wine\Explorer", "/v", "Desktop", "/d", "shell", "/f")
        self.run("reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "shell", "/d",
                 f"{SCREEN_W}x{SCREEN_H}", "/f")
        subprocess.run([self.wineserver, "-w"], env=self.env, timeout=120)
        (prefix / ".pathstow-ready").touch()

    def kill_all(self):
        subprocess.run([self.wineserver, "-k"], env=self.env, capture_output=True, timeout=60)
        subprocess.run([self.wineserver, "-w"], env=self.env, capture_output=True, timeout=60)
        if self.desktop:
            try:
                self.desktop.wait(10)
            except subprocess.TimeoutExpired:
                self.desktop.kill()
            self.desktop = None

    def desktop_window(self):
        r = subprocess.run(["xdotool", "search", "--name", "^shell - Wine desktop$"], env=self.env,
                           capture_output=True, text=True)
        return r.stdout.split()[0] if r.returncode == 0 and r.stdout.split() else None

    def restart_desktop(self):
        """Starts the desktop from a clean state: left-over programs or a
        left-over desktop keep a new one from appearing."""
        self.kill_all()
        self.desktop = subprocess.Popen([self.wine, "explorer", f"/desktop=shell,{SCREEN_W}x{SCREEN_H}"],
                                        env=self.env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(self.desktop_window, 60, what="the Wine desktop window")
        # The taskbar belongs to the desktop's explorer; wait until it is there too.
        taskbar = wait_until(lambda: self.windows(cls="Shell_TrayWnd", visible=True), 30, what="the taskbar")
        self.taskbar = rect_of(taskbar[0])

    def measure(self):
        """Reads once what the host (its fonts above all) and the prefix decide, for the tests to
        compare against: dpi, work area, small icon, double-click time, popup-menu heights (frame,
        row, separator), Windows directory. Written to session-metrics<tag>.txt."""
        screen = self.probe_records("screen")[0]
        menu = self.probe_records("menu-metrics")[0]
        self.dpi = int(screen["dpi"])
        self.work_area = tuple(int(v) for v in screen["workarea"].split(","))
        self.small_icon = tuple(int(v) for v in screen["smallicon"].split(","))
        self.double_click_s = int(screen["doubleclick"]) / 1000
        self.menu_frame, self.menu_item, self.menu_separator = (int(menu[k]) for k in ("frame", "item", "separator"))
        self.windows_dir = self.reg_get(r"HKLM\Software\Microsoft\Windows NT\CurrentVersion", "SystemRoot")
        self.explorer = self.windows_dir + "\\explorer.exe"
        (self.artifacts / f"session-metrics{self.tag}.txt").write_text(
            f"dpi {self.dpi}\ntaskbar {self.taskbar}\nwork area {self.work_area}\nsmall icon {self.small_icon}\n"
            f"double click {self.double_click_s} s\nmenu frame {self.menu_frame}, row {self.menu_item}, "
            f"separator {self.menu_separator}\nexplorer {self.explorer}\n")

    def close(self):
        self.kill_all()

    # -- probe ---------------------------------------------------------------

    # Probe commands that only read; asking one again changes nothing.
    PROBE_QUERIES = {"screen", "menu-metrics", "find", "window", "controls", "text", "textfit", "procs",
                     "foreground", "menutext", "treeitems"}

    def probe(self, *args, check=True, timeout=60):
        """Runs probe.exe in the session; returns (exit code, stdout text)."""
        r = self.run(self.paths["probe"], *args, check=False, timeout=timeout)
        if check and r.returncode == 1 and not r.stdout and not r.stderr and args[0] in self.PROBE_QUERIES:
            # Now and then, on a loaded host, Wine ends a program it has just started with exit
            # code 1 before the program writes a byte (reg and the probe's run have shown it
            # too); a query that must answer is then asked once more.
            self._log_probe_failure(args, "ended with 1 before any output; asked again\n")
            time.sleep(0.5)
            r = self.run(self.paths["probe"], *args, check=False, timeout=timeout)
        out = r.stdout.decode("utf-8", errors="replace")  # the probe speaks UTF-8
        if r.returncode == 3:  # a system call failed: the probe named it on stderr
            self._log_probe_failure(args, r.stderr.decode(errors="replace"))
        if check and r.returncode != 0:
            raise RuntimeError(f"probe {' '.join(map(str, args))} answered {r.returncode}: {out}"
                               f"{r.stderr.decode(errors='replace')}")
        return r.returncode, out

    def _log_probe_failure(self, args, text):
        with (self.artifacts / "probe-failures.log").open("a") as log:
            log.write(f"{time.strftime('%H:%M:%S')} probe {' '.join(map(str, args))}: {text}")

    def probe_records(self, *args, check=True, timeout=60):
        rc, out = self.probe(*args, check=check, timeout=timeout)
        return parse_records(out) if rc == 0 else []

    def run_command(self, cmdline, timeout=60):
        """Runs a command line as a deployment tool does (CreateProcess of exactly that line, a wait
        for that process alone); returns its exit code."""
        for attempt in (1, 2):
            rc, out = self.probe("run", cmdline, check=False, timeout=timeout)
            records = parse_records(out)
            if records:
                break
            # The probe ended before it wrote its first line, so before it
            # started anything: Wine failed to start it, with no word of why,
            # as it now and then does with a tool on a loaded host (see run).
            time.sleep(0.5)
        assert rc == 0 and len(records) == 2, f"probe run {cmdline!r} answered {rc}: {out}"
        assert records[0]["cmdline"] == cmdline, f"the command line arrived as {records[0]['cmdline']!r}"
        return int(records[1]["exit"])

    def windows(self, cls=None, title=None, exe=None, pid=None, visible=False):
        """The top-level windows that match every filter given."""
        filters = {"--class": cls, "--title": title, "--exe": exe, "--pid": pid}
        args = [a for flag, value in filters.items() if value is not None for a in (flag, value)]
        return self.probe_records("find", *args, *["--visible"] * visible, check=False)

    def window(self, hwnd):
        """The record of one window; None once it has gone."""
        records = self.probe_records("window", hwnd, check=False)
        return records[0] if records else None

    def wait_window(self, timeout=15, **filters):
        return wait_until(lambda: self.windows(**filters), timeout, what=f"a window {filters}")[0]

    def wait_no_window(self, timeout=15, **filters):
        wait_until(lambda: not self.windows(**filters), timeout, what=f"no window {filters}")

    def controls(self, hwnd):
        return self.probe_records("controls", hwnd)

    def has_icon(self, hwnd):
        """Whether window `hwnd` has the program's icon in the notification area."""
        return self.probe("hasicon", hwnd, TRAY_ICON_ID, check=False)[0] == 0

    def close_box(self, box):
        """Clicks the OK button of a message box, its only one, and waits until the box has gone."""
        buttons = [c for c in self.controls(box["hwnd"]) if c["class"].lower() == "button"]
        assert [c["text"] for c in buttons] == ["OK"]
        self.click_control(buttons[0])
        wait_until(lambda: not self.window(box["hwnd"]), 10, what="the box to close")

    def post(self, hwnd, msg, wparam=0, lparam=0):
        self.probe("post", hwnd, msg, wparam, lparam)

    def send(self, hwnd, msg, wparam=0, lparam=0):
        return int(self.probe_records("send", hwnd, msg, wparam, lparam)[0]["result"])

    def processes(self, exe=None):
        """The running processes (of an image name): pid, parent, started, exe, cwd, cmdline (the
        last two empty while unreadable). A failed snapshot (probe exit code 3) is taken again:
        the list may be changing under it; a failure that lasts is raised."""
        args = ("procs", "--exe", exe) if exe else ("procs",)
        for attempt in range(5):
            rc, out = self.probe(*args, check=False)
            if rc != 3:
                break
            time.sleep(0.2 * (attempt + 1))
        if rc != 0:
            self.probe(*args)  # raises with the exit code and the probe's message
        return parse_records(out)

    def close_explorers(self, pids=None, timeout=15):
        """Closes the Explorer windows that programs opened (of `pids`, or all) as a user does and
        waits until they have ended (one ended outright makes the next Explorer end at once);
        the desktop's own (/desktop in its command line) stays."""
        def running():  # not one whose command line could not be read
            return [p["pid"] for p in self.processes("explorer.exe")
                    if p["cmdline"] and "/desktop" not in p["cmdline"] and (pids is None or p["pid"] in pids)]

        def taskkill(*args):
            if running():
                self.run("taskkill", *args, *[a for pid in running() for a in ("/pid", pid)], check=False)

        try:
            # An Explorer closes with its window, which comes a moment after it starts.
            wait_until(lambda: all(self.windows(pid=pid, visible=True) for pid in running()), timeout,
                       what="the Explorer windows")
            taskkill()
            wait_until(lambda: not running(), timeout, what="the Explorer windows to close")
        except Timeout:
            taskkill("/f")

    # -- user input ----------------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, timeout=30)

    def click(self, x, y, button=1, count=1, delay_ms=80):
        """Clicks at a screen point `count` times `delay_ms` apart (2: a double click). A click near
        another one within the double-click time would double it: that time is waited out."""
        now, near = time.monotonic(), self.double_click_s + 0.1
        self.clicks = [(cx, cy, t) for cx, cy, t in self.clicks if now - t < near]
        time.sleep(max([t + near - now for cx, cy, t in self.clicks if abs(cx - x) <= 4 and abs(cy - y) <= 4],
                       default=0))
        self.xdotool("mousemove", x, y, "click", "--repeat", count, "--delay", delay_ms, button)
        self.clicks.append((x, y, time.monotonic()))

    def click_control(self, record):
        """Clicks the middle of a window or control, as a user does."""
        self.click(*centre(rect_of(record)))

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def move_away(self):
        """Rests the pointer in the middle of the screen, off the icons and their tooltips."""
        self.move(SCREEN_W // 2, SCREEN_H // 2)

    def tray_slot(self, n=1):
        """The n-th notification-area slot from the right as a rectangle: Wine's taskbar shows each
        icon at the small-icon size with 2 px around it, from its right end, at mid height."""
        left, top, right, bottom = self.taskbar
        width, height = (size + 4 for size in self.small_icon)
        y = (top + bottom - height) // 2
        return right - n * width, y, right - (n - 1) * width, y + height

    def tray_icon_point(self, n=1):
        """Centre of the n-th notification icon from the right."""
        return centre(self.tray_slot(n))

    def click_tray_icon(self, n=1, button=1):
        self.click(*self.tray_icon_point(n), button=button)

    def tray_slot_colours(self, n=1, picture=None):
        """The colours (#RRGGBB) that the n-th slot shows in a screenshot
        (a new one unless given): one colour when it is empty."""
        out = crop(picture or self.screenshot("tray"), self.tray_slot(n), "-unique-colors")
        return {c.upper() for c in re.findall(r"#[0-9A-Fa-f]{6}", out)}

    def icon_shown(self, n=1):
        """Whether the n-th slot shows an icon: more than the taskbar's one colour."""
        return len(self.tray_slot_colours(n)) > 1

    def keys(self, *names):
        """Presses keys through SendInput inside the session; they go to the
        foreground window's thread (names like Down, Return, Escape, a, Shift+End)."""
        self.probe("key", *names)

    def type_text(self, text):
        """Types text (ASCII) into the focused control of the foreground window."""
        self.probe("type", text)

    def set_foreground(self, hwnd):
        self.probe("setforeground", hwnd)

    def tooltip_texts(self):
        """Texts of the visible tooltip windows (the notification area's among them)."""
        return [r["text"] for w in self.windows(cls="tooltips_class32", visible=True)
                for r in self.probe_records("text", w["hwnd"], check=False)]

    # -- popup menus ---------------------------------------------------------

    def wait_menu(self, timeout=10):
        """The visible popup menu window (#32768)."""
        return self.wait_window(timeout, cls="#32768", visible=True)

    def wait_menu_closed(self, timeout=10):
        self.wait_no_window(timeout, cls="#32768", visible=True)

    def close_menu(self, timeout=10):
        """Escape: the menu closes without a command."""
        self.keys("Escape")
        self.wait_menu_closed(timeout)

    def menu_item_point(self, menu, layout, index):
        """Centre of item `index` of a popup menu of `layout` ('i' text item, 's' separator a
        letter); fails when the menu's height, in this session's measures, does not match."""
        left, top, right, bottom = rect_of(menu)
        heights = [self.menu_separator if k == "s" else self.menu_item for k in layout]
        expected = 2 * self.menu_frame + sum(heights)
        assert bottom - top == expected, \
            f"menu is {bottom - top} px high, layout {layout!r} needs {expected}"
        y = top + self.menu_frame + sum(heights[:index]) + heights[index] // 2
        return (left + right) // 2, y

    def menu_texts(self, owner):
        """The item texts of the popup menu that the thread of window `owner`
        tracks, read in its process with GetMenuStringW ("" for separators)."""
        return [r["text"] for r in self.probe_records("menutext", owner)]

    def tree_items(self, tree):
        """The texts of the root items of tree view `tree`, in display order."""
        return [r["text"] for r in self.probe_records("treeitems", tree)]

    def click_menu_item(self, layout, index, timeout=10):
        menu = self.wait_menu(timeout)
        self.click(*self.menu_item_point(menu, layout, index))

    def menu_picture(self, menu, name):
        """The menu and the taskbar corner below it as <name>-crop.png, as docs/<name>.png shows it."""
        png = self.screenshot(name)
        left, top, _, _ = rect_of(menu)
        crop(png, (left - 16, top - 16, SCREEN_W, SCREEN_H), out=png.with_name(f"{name}-crop.png"))

    # -- registry ------------------------------------------------------------

    def reg_query(self, key, name=None):
        """Values under key as {name: (type, text)}, the default value under
        the name ""; None when the key is missing."""
        r = self.run("reg", "query", key, *value_switch(name), check=False)
        if r.returncode != 0:
            return None
        lines = r.stdout.decode("cp1252", errors="replace").splitlines()
        rows = [line.strip().split("    ") for line in lines if line.startswith("    ")]
        return {("" if row[0] == "(Default)" else row[0]): (row[1], row[2] if len(row) > 2 else "")
                for row in rows if len(row) >= 2 and row[1].startswith("REG_")}

    def reg_get(self, key, name):
        """A value's data: int for REG_DWORD, str otherwise; None when missing."""
        values = self.reg_query(key, name) or {}
        if name not in values:
            return None
        kind, text = values[name]
        return int(text, 16) if kind == "REG_DWORD" else text

    def reg_set(self, key, name, value):
        """Writes an int as REG_DWORD, bytes as REG_BINARY, a str as REG_SZ
        (reg_get answers a REG_BINARY value as its bytes in hex)."""
        kind, data = ("REG_DWORD", str(value)) if isinstance(value, int) else \
            ("REG_BINARY", value.hex()) if isinstance(value, bytes) else ("REG_SZ", value)
        self.run("reg", "add", key, *value_switch(name), "/t", kind, "/d", data, "/f")

    def reg_delete(self, key, name=None):
        self.run("reg", "delete", key, *value_switch(name), "/f", check=False)

    def scratch_file(self, suffix):
        """A new file name among the artifacts, for the files handed to Wine tools."""
        return self.artifacts / f"scratch-{uuid.uuid4().hex[:8]}{suffix}"

    def reg_import(self, values_by_key, ansi=False):
        """Writes {key: {name: value}} (see reg_data) in one regedit import of a UTF-16 file,
        which keeps any character ("reg add" makes "?" of those outside the code page);
        `ansi`: REGEDIT4 in code page 1252, as older programs wrote it."""
        lines = ["REGEDIT4" if ansi else "Windows Registry Editor Version 5.00", ""]
        for key, values in values_by_key.items():
            lines.append("[" + key.replace("HKCU", "HKEY_CURRENT_USER", 1) + "]")
            lines += [f'"{name}"={reg_data(value)}' for name, value in values.items()]
            lines.append("")
        seed = self.scratch_file(".reg")
        seed.write_text("\r\n".join(lines) + "\r\n", encoding="cp1252" if ansi else "utf-16", newline="")
        self.run("regedit", "/S", PathstowApp.session_path(seed))
        seed.unlink()

    def reg_export(self, key):
        """The values directly under `key` as {name: int or str}, None when the key is
        missing; read from "reg export" (UTF-16), which keeps every character."""
        out = self.scratch_file(".reg")
        if self.run("reg", "export", key, PathstowApp.session_path(out), "/y", check=False).returncode:
            return None
        text = out.read_text(encoding="utf-16")
        out.unlink()

        def unquoted(escaped):
            return re.sub(r"\\(.)", r"\1", escaped)
        values, section = {}, None
        for line in text.replace("\\\n  ", "").splitlines():
            if line.startswith("["):
                section = line.strip("[]")
            elif section and section.lower() == key.replace("HKCU", "HKEY_CURRENT_USER", 1).lower():
                match = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
                if match:
                    name, data = unquoted(match.group(1)), match.group(2)
                    values[name] = int(data[6:], 16) if data.startswith("dword:") else \
                        unquoted(data[1:-1]) if data.startswith('"') else data
        return values

    # -- pictures ------------------------------------------------------------

    def screenshot(self, name):
        # ImageMagick reads "[...]" in a file name as a frame selection.
        path = self.artifacts / (re.sub(r"[^\w.-]+", "-", name) + ".png")
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, check=True, timeout=60)
        return path


class PathstowApp:
    """One running Pathstow, from a uniquely named copy of the program: its registry data
    (HKCU\\software\\Kelvane\\<base name>) is its own."""

    def __init__(self, session, workdir, name=None):
        self.session = session
        self.name = name or f"Pathstow{uuid.uuid4().hex[:8]}"
        self.dir = Path(workdir)
        self.dir.mkdir(parents=True, exist_ok=True)
        self.exe = self.dir / f"{self.name}.exe"
        shutil.copy(session.paths["exe"], self.exe)
        self.record_file = self.dir / "launches.log"
        self.wine_log = self.dir / "wine.log"
        self.registry_key = rf"HKCU\software\Kelvane\{self.name}"
        self.proc = None
        self.hwnd = self.pid = self.tid = None
        self.pids = set()  # of every start, for its lines in wine.log
        self.explorers = {}

    def start(self, timeout=30, language="en", extra_env=None):
        """Starts the program, waits for its window and icon; "fr": LC_ALL for French resources."""
        env = {"PATHSTOW_RECORD_FILE": self.session_path(self.record_file), **(extra_env or {})}
        if language == "fr":
            env["LC_ALL"] = "fr_FR.UTF-8"
        # Another copy of the same file may run: this one's window is the new one.
        others = {w["hwnd"] for w in self.session.windows(cls="DummyClass", exe=self.exe.name)}
        self.proc = self.session.start(self.exe, cwd=self.dir, extra_env=env, log=self.wine_log)
        window = wait_until(lambda: [w for w in self.session.windows(cls="DummyClass", exe=self.exe.name)
                                     if w["hwnd"] not in others], timeout, what=f"{self.name}'s window")[0]
        self.hwnd, self.pid, self.tid = window["hwnd"], int(window["pid"]), int(window["tid"])
        self.pids.add(self.pid)
        # The icon comes a moment after the window: a click before it finds no icon.
        wait_until(lambda: self.session.has_icon(self.hwnd), timeout, what="the program's icon")
        return window

    def store(self, bookmarks, ansi=False, **settings):
        """Writes the bookmarks [(name, folder)] and settings (Tree=, Command=) as another
        instance of the program would, in one import that keeps every character (see reg_import)."""
        values = {"Counter": len(bookmarks)}
        for k, (name, path) in enumerate(bookmarks, 1):
            values.update({f"Path{k}": name, f"PathName{k}": path})
        self.session.reg_import({self.registry_key + PATH_LIST: values,
                                 **({self.registry_key + COMMAND: settings} if settings else {})}, ansi)

    # -- the tray menu and what it opens -----------------------------------------

    def open_menu(self, slot=1, timeout=5, again=True):
        """Clicks the icon in `slot`; answers the menu. `again`: a click that showed no menu is made
        once more (a loaded host once gave none in some hundreds; cause not found)."""
        self.session.click_tray_icon(slot)
        try:
            menu = self.session.wait_menu(timeout)
        except Timeout:
            if not again:
                raise
            self.session.screenshot("menu-click-without-menu")
            self.session.click_tray_icon(slot)
            menu = self.session.wait_menu(timeout)
        assert int(menu["pid"]) == self.pid
        return menu

    def choose(self, bookmarks, index, slot=1, **opening):
        """Clicks item `index` (bookmarks + OPTIONS_ITEM: Options) of the menu of `bookmarks`
        bookmarks, opened as open_menu takes `opening`."""
        menu = self.open_menu(slot, **opening)
        self.session.click(*self.session.menu_item_point(menu, menu_layout(bookmarks), index))
        self.session.wait_menu_closed()

    def open_menu_by_key(self):
        """Opens the menu as Enter on the icon does: the shell's key selection, posted (Wine's
        taskbar takes no keys); the menu opens at the pointer, its first item highlighted."""
        self.session.move(*self.session.tray_icon_point(1))
        self.session.post(self.hwnd, WM_TRAYNOTIFY, TRAY_ICON_ID, NIN_KEYSELECT)
        return self.session.wait_menu()

    def choose_by_key(self, item):
        """Chooses item `item` (separators not counted) with Down and Enter: rows drawn with a
        fallback font (names in some scripts) may not have the measured heights."""
        self.open_menu_by_key()
        self.session.keys(*["Down"] * item, "Return")
        self.session.wait_menu_closed()

    def wait_dialog(self, title, timeout=15):
        return self.session.wait_window(timeout, cls="#32770", title=title, exe=self.exe.name, visible=True)

    def open_options(self, bookmarks, by_key=False, **opening):
        """The Options dialog, opened from the menu of `bookmarks` bookmarks (or `by_key`)."""
        if by_key:
            self.choose_by_key(bookmarks)
        else:
            self.choose(bookmarks, bookmarks + OPTIONS_ITEM, **opening)
        return OptionsWindow(self.session, self.wait_dialog(OPTIONS_TITLE))

    def open_about(self, language="en", bookmarks=0):
        """The About box, opened from the menu, its title in `language`."""
        self.choose(bookmarks, bookmarks + ABOUT_ITEM)
        return DialogWindow(self.session, self.wait_dialog(ABOUT_TITLES[language]))

    def message_box(self, title=None):
        """A message box of the program: (window record, the texts of its statics)."""
        box = self.wait_dialog(title)
        return box, [c["text"] for c in self.session.controls(box["hwnd"])
                     if c["class"].lower() == "static" and c["text"]]

    @staticmethod
    def session_path(path):
        """A host path as Wine sees it (drive Z: is the host's root)."""
        return "Z:" + str(path).replace("/", "\\")

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=15):
        wait_until(lambda: not self.alive(), timeout, what=f"{self.name} to exit")
        return self.proc.returncode

    def launches(self):
        """Every program this program started, in order, as (command line, working directory):
        Explorer as the process list shows its children (each closed once seen, so that its
        window covers nothing), and the recorder (Command program, URL handler) from its log.
        An Explorer given, without /e, a missing folder ends at once, maybe unseen."""
        new = [p for p in self.session.processes("explorer.exe")
               if int(p["parent"]) == self.pid and p["cmdline"] and (p["pid"], p["started"]) not in self.explorers]
        self.explorers.update(((p["pid"], p["started"]), p) for p in new)
        if new:
            self.session.close_explorers([p["pid"] for p in new])
        recorded = parse_records(self.record_file.read_text(encoding="utf-8")) if self.record_file.exists() else []
        starts = sorted([*self.explorers.values(), *recorded], key=lambda r: int(r["started"]))
        return [(r["cmdline"], r["cwd"]) for r in starts]

    def wait_launches(self, count):
        """Waits until the program has started `count` programs; answers launches()."""
        return wait_until(lambda: len(seen := self.launches()) >= count and seen, 15, what=f"{count} launches")

    def heap_reports(self):
        """The program's own lines of Wine's heap channel (PATHSTOW_WINEDEBUG=warn+heap); those of
        the programs it started, in the same log, have other process ids."""
        if not self.wine_log.exists():
            return []
        own = {f"{pid:04x}" for pid in self.pids}
        return [line for line in self.wine_log.read_text(errors="replace").splitlines()
                if ":heap:" in line and line.split(":", 1)[0] in own]

    def stop(self):
        """Quits by the program's Quit command, which removes its icon; answers True when it had to kill."""
        if not self.alive():
            return False
        if self.hwnd:
            self.session.probe("post", self.hwnd, WM_COMMAND, RES.ID_TRAY_QUIT, 0, check=False)
            try:
                self.wait_exit(10)
                return False
            except Timeout:
                pass
        self.proc.kill()
        self.proc.wait(30)
        return True


# -- stress helpers ----------------------------------------------------------

def process_resources(session, pid):
    """What a process holds, counted from outside (Wine answers 0 to GetGuiResources): kernel
    handles, used GDI handle-table entries, windows, and gdi_types (type:count)."""
    r = (session.probe_records("resources", pid, check=False) or [{}])[0]
    return {**{key: int(r[key]) for key in ("handles", "gdi", "windows")}, "gdi_types": r["gdi_types"]} \
        if r.get("alive") == "1" else None


def repeat_steps(session, rounds, pid, *steps):
    """Runs probe's step list `rounds` times inside the session (clicks, keys,
    waits for windows of pid); far faster than one probe call per step."""
    rc, out = session.probe("repeat", rounds, pid, *steps, check=False)
    assert rc == 0, f"repeat {steps}: {out.strip()}"
    return out


class DialogWindow:
    """An open dialog of the program, seen and used from outside: its
    controls by id, clicked where a user would click them."""

    def __init__(self, session, record):
        self.session, self.window, self.hwnd = session, record, record["hwnd"]
        wait_until(lambda: all(c["visible"] == "1" for c in session.controls(self.hwnd)),
                   what="the dialog's controls")
        self.ids = {int(c["id"]): c for c in session.controls(self.hwnd)}

    def control(self, id):
        return self.ids[id]["hwnd"]

    def click(self, id):
        self.session.click_control(self.ids[id])

    def text(self, id):
        return self.session.probe_records("text", self.control(id))[0]["text"]

    def info(self):
        return self.session.window(self.hwnd)

    def shown(self):
        return (self.info() or {}).get("visible") == "1"

    def enabled(self):
        return self.info()["enabled"] == "1"

    def close(self, id, timeout=15):
        """Clicks button `id` and waits until the dialog has gone."""
        self.click(id)
        wait_until(lambda: not self.shown(), timeout, what="the dialog to close")

    def dismiss(self, id, timeout=15):
        """Posts the command of button `id`, as a click sends it; waits until the dialog has gone."""
        self.session.post(self.hwnd, WM_COMMAND, id)
        wait_until(lambda: not self.info(), timeout, what="the dialog to close")

    def picture(self, name):
        """A screenshot (answered) and the dialog alone as <name>-dialog.png, as docs/ shows it."""
        png = self.session.screenshot(name)
        left, top, right, bottom = rect_of(self.window)
        crop(png, (left - 4, top - 4, right + 4, bottom + 4), out=png.with_name(f"{name}-dialog.png"))
        return png


class OptionsWindow(DialogWindow):
    """The open Options dialog: its bookmark tree, path field and buttons."""

    def path(self):
        return self.text(RES.IDC_PATH)

    def count(self):
        return self.session.send(self.control(RES.IDC_BOOKMARK_TREE), TVM_GETCOUNT)

    def editing(self):
        return self.session.send(self.control(RES.IDC_BOOKMARK_TREE), TVM_GETEDITCONTROL) != 0

    def checked(self):
        return self.session.send(self.control(RES.IDC_SHOW_TREE), BM_GETCHECK)

    def item_point(self, row):
        """A point on the label of the row-th item from the top."""
        left, top, right, bottom = rect_of(self.ids[RES.IDC_BOOKMARK_TREE])
        height = self.session.send(self.control(RES.IDC_BOOKMARK_TREE), TVM_GETITEMHEIGHT)
        return left + 16, top + 2 + height * row + height // 2

    def click_item(self, row, count=1):
        """Clicks (count=2: double clicks) an item, then moves off the tree."""
        self.session.click(*self.item_point(row), count=count)
        self.session.move(5, 5)

    def clear_and_type(self, text):
        """Replaces the text of the focused edit control by typing."""
        self.session.keys("End", "Shift+Home", "Delete")
        self.session.type_text(text)

    def type_path(self, text):
        """Replaces the path field's text by typing, as a user does."""
        self.click(RES.IDC_PATH)
        self.clear_and_type(text)
        wait_until(lambda: self.path() == text, 10, what=f"path field {text!r}")

    def type_label(self, name):
        """Replaces the text of the label being edited and presses Enter."""
        wait_until(self.editing, 10, what="the label edit")
        self.clear_and_type(name)
        self.session.keys("Return")
        wait_until(lambda: not self.editing(), 10, what="the label edit to end")

    def add(self, name, path=None):
        """Adds a bookmark with Add; types its path (the focus is in the path field) unless None."""
        before = self.count()
        self.click(RES.IDC_ADD)
        self.type_label(name)
        if path is not None:
            self.session.type_text(path)
            wait_until(lambda: self.path() == path and self.count() == before + 1, 10,
                       what=f"the new bookmark {name}")

    def rename(self, row, name):
        self.click_item(row)
        self.session.keys("F2")
        self.type_label(name)

    def delete(self, row=None):
        """Deletes the item of `row` (the selected one when None) with Delete."""
        before = self.count()
        if row is not None:
            self.click_item(row)
        self.click(RES.IDC_DELETE)
        wait_until(lambda: self.count() == before - 1, 10, what="the deletion")

