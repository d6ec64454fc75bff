"""The per-user installer and its uninstaller, end to end under Wine: a silent
install, an install over a running copy, a silent uninstall, and the pages a
user sees, in English and French; the uninstall command that deployment
tools run and its exit code, a second install into another folder, an
uninstaller started by its 8.3 short path, a folder that cannot be made, and
Task Manager's switch for the start at sign-in.

The installer is built here with the one command a developer uses
(scripts/package.sh) for the architecture under test, and runs in a Wine
prefix of its own beside the other tests' (wineprefix-installer), created
once; each test starts from and leaves a prefix without any trace of an
install.
"""

import copy
import os
import re
import shutil
import signal
import subprocess

from pathlib import Path

import pytest

from conftest import wine_session
from harness import IDOK, PATH_LIST, RES, ROOT, WM_CLOSE, WM_COMMAND, PathstowApp, Timeout, crop, project_version, \
    rect_of, wait_until

UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pathstow"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
SETTINGS_KEY = r"HKCU\software\Kelvane\Pathstow"
# Task Manager's Startup tab keeps its switch for a Run entry here: a
# REG_BINARY whose first byte is 03 when switched off, then a FILETIME.
STARTUP_APPROVED_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
SWITCHED_OFF = bytes([3, 0, 0, 0]) + (133500000000000000).to_bytes(8, "little")
OTHER_ENTRY = "SomeOtherProgram"  # another program's switch: never the installer's business
# Installs into other folders than the default go below this one.
TOOLS_DIR = r"C:\Tools"
# A renamed copy's list: never the installer's business.
OTHER_SETTINGS_KEY = r"HKCU\software\Kelvane\PathstowPortable"
LIST, OTHER_LIST = SETTINGS_KEY + PATH_LIST, OTHER_SETTINGS_KEY + PATH_LIST
BOOKMARKS = {"Counter": 2, "Path1": "Windows", "PathName1": r"C:\windows",
             "Path2": "Fonts", "PathName2": r"C:\windows\Fonts"}
UNINSTALLER_COPY = "Un.exe"  # the uninstaller runs from a copy of itself under this name in %TEMP%
IDOK_NEXT = IDOK  # the wizard's Next / Install / Uninstall / Finish button


# -- fixtures ------------------------------------------------------------------

@pytest.fixture(scope="session")
def session(paths):
    """conftest's session, in a prefix of the installer's own."""
    yield from wine_session(dict(paths, prefix=paths["prefix"].parent / "wineprefix-installer"))


@pytest.fixture(scope="session")
def setup_exe(paths):
    """The installer of the build under test, made by scripts/package.sh;
    PATHSTOW_SETUP names another one to test instead (an older script's)."""
    if os.environ.get("PATHSTOW_SETUP"):
        return Path(os.environ["PATHSTOW_SETUP"])
    arch = paths["exe"].parent.name
    result = subprocess.run(["bash", str(ROOT / "scripts" / "package.sh")], capture_output=True, text=True,
                            env=dict(os.environ, PATHSTOW_ARCH=arch), timeout=1500)
    assert result.returncode == 0, f"scripts/package.sh failed:\n{result.stdout}\n{result.stderr}"
    setup = paths["exe"].parent / f"Pathstow-{project_version()}-setup.exe"
    assert setup.exists(), result.stdout
    return setup


class Target:
    """Where the installer puts things for the prefix's user, as Windows paths
    and as host paths: by default, or in the folder given (`at`)."""

    def __init__(self, session):
        self.prefix = session.paths["prefix"]
        roaming = self._folder(session, "APPDATA")
        self.shortcut = self.host(roaming + r"\Microsoft\Windows\Start Menu\Programs\Pathstow.lnk")
        self._set_dir(self._folder(session, "LOCALAPPDATA") + r"\Programs\Pathstow")

    def _set_dir(self, dir_win):
        self.dir_win, self.exe_win = dir_win, dir_win + r"\Pathstow.exe"
        self.uninstaller_win = dir_win + r"\Uninstall.exe"
        self.dir, self.exe, self.uninstaller = map(self.host, (self.dir_win, self.exe_win, self.uninstaller_win))
        return self

    def at(self, dir_win):
        return copy.copy(self)._set_dir(dir_win)

    def quiet_uninstall(self):
        """The QuietUninstallString an install into this folder writes."""
        return f'"{self.uninstaller_win}" /S _?={self.dir_win}'

    @staticmethod
    def _folder(session, name):
        out = session.run("cmd", "/c", "echo", f"%{name}%").stdout.decode().strip()
        assert re.match(r"^[A-Za-z]:\\", out), f"%{name}% is {out!r}"
        return out

    def host(self, win_path):
        assert win_path[:3].upper() == "C:\\", win_path
        return self.prefix / "drive_c" / win_path[3:].replace("\\", "/")


@pytest.fixture(scope="session")
def target(session):
    return Target(session)


def running_copies(session):
    """The hidden windows of running installed programs (Pathstow.exe)."""
    return session.windows(cls="DummyClass", exe="Pathstow.exe")


def wait_started(session, timeout=60):
    """Waits for a started copy's window and icon; returns the window."""
    window = wait_until(lambda: running_copies(session), timeout, what="Pathstow's window")[0]
    wait_until(lambda: session.has_icon(window["hwnd"]), timeout, what="Pathstow's icon")
    return window


def wait_process(proc, timeout, what):
    wait_until(lambda: proc.poll() is not None, timeout, what=what)
    return proc.returncode


def run_installer(session, setup, *args, timeout=180):
    """Runs the installer silently, its command line as a user types it (so
    /D= comes last without quotes, blanks and all); returns its exit code."""
    return session.run_command(" ".join([f'"{PathstowApp.session_path(setup)}"', "/S", *args]), timeout)


def run_uninstaller(session, uninstaller, *args, timeout=180):
    """Runs an uninstaller (a host or Windows path) silently; answers its exit code once its
    copy in %TEMP%, which does the work, has ended too."""
    code = wait_process(session.start(uninstaller, "/S", *args), timeout, "the uninstaller to end")
    wait_until(lambda: not any(p["exe"] == UNINSTALLER_COPY for p in session.probe_records("procs")),
               timeout, what="the uninstaller's copy to end")
    return code


def quiet_uninstall(session, timeout=180):
    """Runs the uninstall key's command for deployment tools as they do (run_command); answers
    its exit code."""
    return session.run_command(session.reg_get(UNINSTALL_KEY, "QuietUninstallString"), timeout)


def short_path(session, win_path):
    """The 8.3 short form of an existing path, as Windows gives it
    (GetShortPathName): each part's short name from `dir /x` of its folder."""
    parts = win_path.split("\\")
    short = parts[0]
    for i, name in enumerate(parts[1:], 1):
        listing = session.run("cmd", "/c", "dir", "/x", "\\".join(parts[:i]) + "\\").stdout.decode("cp1252")
        found = re.search(r"\s(\S+~\S+)\s+" + re.escape(name) + r"\s*$", listing, re.M)
        short += "\\" + (found.group(1) if found else name)
    return short


def missing_drive(session):
    """A drive letter that names no drive in the prefix."""
    devices = {p.name.lower() for p in (session.paths["prefix"] / "dosdevices").iterdir()}
    return next(d for d in "QRSTUVWXY" if f"{d.lower()}:" not in devices)


def mark(session, name="Pathstow"):
    """Task Manager's switch for a Run entry (hex text), None without one."""
    return session.reg_get(STARTUP_APPROVED_KEY, name)


def reset(session, target):
    """Removes every trace of an install: running copies (asked to quit,
    killed with the desktop when they do not), files, shortcut, registry."""
    copies = running_copies(session)
    for window in copies:
        session.post(window["hwnd"], WM_CLOSE)
    try:
        wait_until(lambda: not running_copies(session), 15, what="the installed copies to quit")
    except Timeout:
        session.restart_desktop()
    if target.dir.exists():
        shutil.rmtree(target.dir)
    shutil.rmtree(target.host(TOOLS_DIR), ignore_errors=True)
    target.shortcut.unlink(missing_ok=True)
    session.reg_delete(RUN_KEY, "Pathstow")
    for name in ("Pathstow", OTHER_ENTRY):
        session.reg_delete(STARTUP_APPROVED_KEY, name)
    for key in (UNINSTALL_KEY, SETTINGS_KEY, OTHER_SETTINGS_KEY):
        session.reg_delete(key)


@pytest.fixture(autouse=True)
def clean_prefix(session, target, request):
    reset(session, target)
    yield
    if getattr(request.node, "rep_call", None) is not None and request.node.rep_call.failed:
        session.screenshot(f"{request.node.name}-failed")
        session.restart_desktop()  # no wizard or box of a failed test stays open
    reset(session, target)


def assert_nothing_installed(session, target):
    assert not target.exe.exists() and not target.uninstaller.exists()
    assert not target.shortcut.exists()
    assert session.reg_get(RUN_KEY, "Pathstow") is None
    assert session.reg_query(UNINSTALL_KEY) is None


def assert_installed(session, target, at_sign_in=True):
    """The install in target's folder is whole, and every entry names it."""
    assert target.exe.is_file() and target.uninstaller.is_file()
    link = target.shortcut.read_bytes()
    assert target.exe_win.encode("cp1252") in link or target.exe_win.encode("utf-16-le") in link
    assert session.reg_get(RUN_KEY, "Pathstow") == run_entry(target, at_sign_in)
    assert session.reg_get(UNINSTALL_KEY, "InstallLocation") == target.dir_win


# -- silent install ------------------------------------------------------------

def run_entry(target, at_sign_in):
    return f'"{target.exe_win}"' if at_sign_in else None


@pytest.mark.parametrize("switches, at_sign_in, started", [
    ([], True, True),
    (["/NOSIGNIN", "/NOSTART"], False, False),
], ids=["defaults", "no sign-in start, not started"])
def test_silent_install_puts_everything_in_place_and_starts_the_program(
        session, target, setup_exe, paths, switches, at_sign_in, started):
    assert_nothing_installed(session, target)
    # Per user: the installer asks Windows for no more than the user's rights.
    assert b'level="asInvoker"' in setup_exe.read_bytes()

    assert run_installer(session, setup_exe, *switches) == 0

    assert target.exe.read_bytes() == paths["exe"].read_bytes()
    assert_installed(session, target, at_sign_in)  # the shortcut, the entries

    size_kb = -(-(target.exe.stat().st_size + target.uninstaller.stat().st_size) // 1024)
    expected = {"DisplayName": "Pathstow", "DisplayVersion": project_version(), "Publisher": "Kelvane Software",
                "DisplayIcon": target.exe_win, "InstallLocation": target.dir_win,
                "UninstallString": f'"{target.uninstaller_win}"', "QuietUninstallString": target.quiet_uninstall(),
                "EstimatedSize": size_kb, "NoModify": 1, "NoRepair": 1}
    assert {name: session.reg_get(UNINSTALL_KEY, name) for name in expected} == expected

    if started:
        window = wait_started(session)
        assert (window["title"], window["visible"]) == ("Dummy", "0")
        assert len(running_copies(session)) == 1
    else:
        # The installer has ended: a program it started would exist by now.
        assert not [p for p in session.probe_records("procs") if p["exe"] == "Pathstow.exe"]


# -- install over a running copy -----------------------------------------------

@pytest.mark.parametrize("open_dialog, first_switches, switches, at_sign_in", [
    (None, [], [], True),
    (RES.ID_TRAY_OPTIONS, ["/NOSIGNIN"], [], False),  # the upgrade keeps the earlier choice...
    (RES.ID_TRAY_ABOUT, ["/NOSIGNIN"], ["/SIGNIN"], True),  # ...unless told otherwise
], ids=["idle", "options open", "about open"])
def test_install_over_a_running_copy_closes_it_politely_and_keeps_the_bookmarks(
        session, target, setup_exe, open_dialog, first_switches, switches, at_sign_in):
    assert run_installer(session, setup_exe, "/NOSTART", *first_switches) == 0
    assert not running_copies(session)
    session.reg_import({LIST: BOOKMARKS})
    # Registered as an older version, as a real upgrade finds it.
    session.reg_set(UNINSTALL_KEY, "DisplayVersion", "1.0")

    # The running copy is started here, so that its own exit code is seen.
    old = session.start(target.exe, cwd=target.dir)
    old_window = wait_started(session)
    if open_dialog:
        session.post(old_window["hwnd"], WM_COMMAND, open_dialog, 0)
        session.wait_window(cls="#32770", pid=old_window["pid"], visible=True)

    assert run_installer(session, setup_exe, *switches) == 0

    # It ended by itself, through its own clean exit, not killed; its icon went with it.
    assert wait_process(old, 30, "the old copy to exit") == 0
    assert not session.has_icon(old_window["hwnd"])
    # The installer started the new one, and only that one runs.
    new_window = wait_started(session)
    assert new_window["pid"] != old_window["pid"]
    assert len(running_copies(session)) == 1

    assert session.reg_export(LIST) == BOOKMARKS
    assert session.reg_get(UNINSTALL_KEY, "DisplayVersion") == project_version()
    assert session.reg_get(RUN_KEY, "Pathstow") == run_entry(target, at_sign_in)


# -- silent uninstall ----------------------------------------------------------

@pytest.mark.parametrize("switches, bookmarks_kept, user_file", [
    ([], True, None),
    (["/REMOVEBOOKMARKS"], False, None),
    ([], True, "my notes.txt"),
], ids=["keeps the bookmarks", "removes the bookmarks on request", "leaves the user's own file"])
def test_silent_uninstall_removes_what_it_installed_and_nothing_else(
        session, target, setup_exe, switches, bookmarks_kept, user_file):
    assert run_installer(session, setup_exe) == 0
    window = wait_started(session)
    session.reg_import({LIST: BOOKMARKS, OTHER_LIST: BOOKMARKS})
    if user_file:
        (target.dir / user_file).write_text("kept\r\n")

    assert run_uninstaller(session, target.uninstaller, *switches) == 0

    # The running copy was asked to close and did.
    assert not running_copies(session)
    assert not session.has_icon(window["hwnd"])
    assert_nothing_installed(session, target)
    if user_file:
        assert [p.name for p in target.dir.iterdir()] == [user_file]
    else:
        assert not target.dir.exists()
    assert session.reg_export(LIST) == (BOOKMARKS if bookmarks_kept else None)
    assert session.reg_export(OTHER_LIST) == BOOKMARKS


# -- the uninstall command of deployment tools --------------------------------

@pytest.mark.parametrize("held, code", [(False, 0), (True, 3)], ids=["done", "a copy that does not close"])
def test_quiet_uninstall_command_ends_with_the_uninstall_and_answers_its_result(
        session, target, setup_exe, held, code):
    assert run_installer(session, setup_exe, "/NOSTART") == 0
    # The running copy is started here: its process (Wine runs the program in
    # the process it starts) can then be held still, so that it gets the
    # request to close and cannot answer it.
    running = session.start(target.exe, cwd=target.dir)
    window = wait_started(session)
    assert b"Pathstow.exe" in Path(f"/proc/{running.pid}/cmdline").read_bytes()
    if held:
        os.kill(running.pid, signal.SIGSTOP)
    try:
        assert quiet_uninstall(session) == code
        if code == 0:  # all gone by the time it answers
            assert_nothing_installed(session, target)
            assert not target.dir.exists()
            assert wait_process(running, 30, "the copy to exit") == 0
        else:  # nothing removed: it can be run again once Pathstow has quit
            assert_installed(session, target)
            assert running.poll() is None and session.has_icon(window["hwnd"])
    finally:
        if held:
            os.kill(running.pid, signal.SIGCONT)


# -- two folders ---------------------------------------------------------------

@pytest.mark.parametrize("user_file", [None, "my notes.txt"])
def test_install_into_another_folder_replaces_the_earlier_install(session, target, setup_exe, user_file):
    assert run_installer(session, setup_exe) == 0
    first = wait_started(session)
    if user_file:
        (target.dir / user_file).write_text("kept\r\n")
    other = target.at(TOOLS_DIR + r"\Path B")

    assert run_installer(session, setup_exe, f"/D={other.dir_win}") == 0

    # The earlier copy was asked to close, as an upgrade asks it; only the new one runs.
    assert not session.has_icon(first["hwnd"])
    assert wait_started(session)["pid"] != first["pid"] and len(running_copies(session)) == 1
    if user_file:
        assert [p.name for p in target.dir.iterdir()] == [user_file]
    else:
        assert not target.dir.exists()
    assert_installed(session, other)


@pytest.mark.parametrize("which", ["current", "orphan"])
def test_uninstalling_either_copy_leaves_what_names_the_other(session, target, setup_exe, which):
    assert run_installer(session, setup_exe, "/NOSTART") == 0
    files = {p: p.read_bytes() for p in (target.exe, target.uninstaller)}
    other = target.at(TOOLS_DIR + r"\Path B")
    assert run_installer(session, setup_exe, f"/D={other.dir_win}") == 0
    new = wait_started(session)
    # The first folder as an earlier version left it: an orphan, named by nothing.
    target.dir.mkdir(parents=True, exist_ok=True)
    for path, data in files.items():
        path.write_bytes(data)

    if which == "current":
        assert quiet_uninstall(session) == 0
        assert_nothing_installed(session, other)
        assert all(path.read_bytes() == data for path, data in files.items())  # not its files
    else:
        assert session.run_command(target.quiet_uninstall(), 180) == 0
        assert_installed(session, other)
        assert [w["pid"] for w in running_copies(session)] == [new["pid"]]
        assert not target.dir.exists()


# -- an uninstaller started by its 8.3 short path ------------------------------

@pytest.mark.parametrize("in_place", [False, True], ids=["from its copy in TEMP", "in place"])
def test_uninstaller_started_by_its_short_path_removes_every_entry(session, target, setup_exe, in_place):
    folder = target.at(TOOLS_DIR + r"\Pathstow Folder")
    assert run_installer(session, setup_exe, f"/D={folder.dir_win}") == 0
    wait_started(session)
    short_dir, short_uninstaller = (short_path(session, p) for p in (folder.dir_win, folder.uninstaller_win))
    assert "~" in short_dir and "~" in short_uninstaller, (short_dir, short_uninstaller)

    if in_place:
        assert session.run_command(f"{short_uninstaller} /S _?={short_dir}", 180) == 0
    else:
        assert run_uninstaller(session, short_uninstaller) == 0

    assert session.reg_get(RUN_KEY, "Pathstow") is None
    assert not running_copies(session)
    assert_nothing_installed(session, folder)
    assert not folder.dir.exists()


# -- a folder that cannot be made ----------------------------------------------

def bad_folders(session, target):
    """Folders that cannot be made: on a drive that does not exist, and below a file."""
    blocker = target.at(TOOLS_DIR + r"\a file")
    blocker.dir.parent.mkdir(parents=True, exist_ok=True)
    blocker.dir.write_text("in the way\r\n")
    drive = missing_drive(session)
    return {"no such drive": (rf"{drive}:\nope\Pathstow", f"{drive}:"),
            "a file in the way": (blocker.dir_win + r"\Pathstow", blocker.dir_win)}


@pytest.mark.parametrize("case", ["no such drive", "a file in the way"])
def test_silent_install_into_a_folder_that_cannot_be_made_fails(session, target, setup_exe, case):
    folder, _ = bad_folders(session, target)[case]
    assert run_installer(session, setup_exe, "/NOSTART", f"/D={folder}") == 2
    assert_nothing_installed(session, target)
    assert not target.dir.exists()


# -- Task Manager's switch for the start at sign-in ----------------------------

@pytest.mark.parametrize("switches, at_sign_in, kept", [
    (["/SIGNIN"], True, False),  # chosen again: the switch-off is undone
    ([], True, True),  # an upgrade that only keeps the earlier choice keeps it as it is
    (["/NOSIGNIN"], False, False),  # no entry, no switch for it
], ids=["/SIGNIN", "upgrade", "/NOSIGNIN"])
def test_task_managers_switch_follows_the_choice_and_goes_with_the_uninstall(
        session, target, setup_exe, switches, at_sign_in, kept):
    assert run_installer(session, setup_exe, "/NOSTART") == 0
    for name in ("Pathstow", OTHER_ENTRY):
        session.reg_set(STARTUP_APPROVED_KEY, name, SWITCHED_OFF)

    assert run_installer(session, setup_exe, "/NOSTART", *switches) == 0
    assert session.reg_get(RUN_KEY, "Pathstow") == run_entry(target, at_sign_in)
    assert mark(session) == (SWITCHED_OFF.hex().upper() if kept else None)

    assert quiet_uninstall(session) == 0
    assert mark(session) is None
    assert mark(session, OTHER_ENTRY) == SWITCHED_OFF.hex().upper()


# -- the pages, in English and French ------------------------------------------

def page_texts(version):
    return {
        "en": {
            "setup caption": f"Pathstow {version} Setup",
            "welcome": f"Welcome to Pathstow {version} Setup",
            "sign-in option": "Start Pathstow when I sign in",
            "finish": f"Completing Pathstow {version} Setup",
            "start option": "Start Pathstow now",
            "uninstall caption": f"Pathstow {version} Uninstall",
            "remove option": "Also remove my bookmarks",
            "uninstall finish": f"Completing Pathstow {version} Uninstall",
            "no drive": "Pathstow cannot be installed in {folder}: there is no drive or network share {drive}."
                        "\r\n\r\nChoose another folder.",
        },
        "fr": {
            "setup caption": f"Installation de Pathstow {version}",
            "welcome": f"Bienvenue dans le programme d'installation de Pathstow {version}",
            "sign-in option": "Démarrer Pathstow à l'ouverture de ma session",
            "finish": f"Fin de l'installation de Pathstow {version}",
            "start option": "Lancer Pathstow maintenant",
            "uninstall caption": f"Désinstallation de Pathstow {version}",
            "remove option": "Supprimer aussi mes favoris",
            "uninstall finish": f"Fin de la désinstallation de Pathstow {version}",
            "no drive": "Pathstow ne peut pas être installé dans {folder} : il n'y a pas de lecteur ni de partage "
                        "réseau {drive}.\r\n\r\nChoisissez un autre dossier.",
        },
    }


class Wizard:
    """An installer or uninstaller window seen from outside: the page in it,
    its texts and check boxes, its buttons, pictures of it."""

    def __init__(self, session, caption, timeout=60):
        self.session = session
        self.window = session.wait_window(timeout, cls="#32770", title=caption, visible=True)
        self.hwnd = self.window["hwnd"]

    def page_controls(self):
        # A page may be destroyed for the next one between the two calls: it
        # then shows nothing, and the caller waits on.
        pages = [c for c in self.session.controls(self.hwnd) if c["class"] == "#32770" and c["visible"] == "1"]
        return self.session.probe_records("controls", pages[0]["hwnd"], check=False) if pages else []

    def wait_text(self, text, timeout=60):
        """Waits until the page shows a control with this text; returns it."""
        def find():
            return next((c for c in self.page_controls() if c["text"] == text and c["visible"] == "1"), None)
        return wait_until(find, timeout, what=f"the page with {text!r}")

    def leave(self, text):
        """Waits for the page that shows this text, then clicks Next."""
        self.wait_text(text)
        self.press(IDOK_NEXT)

    def press(self, button_id):
        """Clicks one of the wizard's buttons (some of its controls stay hidden)."""
        button = wait_until(lambda: next((c for c in self.session.controls(self.hwnd)
                                          if int(c["id"]) == button_id and c["visible"] == "1"
                                          and c["enabled"] == "1"), None), what=f"button {button_id}")
        self.session.click_control(button)

    def picture(self, name):
        """A picture of the window alone, among the test artifacts."""
        out = self.session.artifacts / f"{name}.png"
        crop(self.session.screenshot(f"{name}-screen"), rect_of(self.session.window(self.hwnd)), out=out)
        return out


@pytest.mark.parametrize("language", ["en", "fr"])
def test_interactive_pages_are_shown_in_the_users_language(session, target, setup_exe, language):
    texts = page_texts(project_version())[language]
    env = {"LC_ALL": "fr_FR.UTF-8"} if language == "fr" else {}
    session.reg_import({LIST: BOOKMARKS})
    pictures = []

    setup = session.start(setup_exe, extra_env=env)
    wizard = Wizard(session, texts["setup caption"])
    wizard.wait_text(texts["welcome"])
    pictures.append(wizard.picture(f"installer-{language}-welcome"))
    wizard.press(IDOK_NEXT)
    option = wizard.wait_text(texts["sign-in option"])
    assert option["check"] == "1"  # on by default
    pictures.append(wizard.picture(f"installer-{language}-options"))
    wizard.press(IDOK_NEXT)
    start = wizard.wait_text(texts["start option"])  # the finish page, after the install
    wizard.wait_text(texts["finish"])
    assert start["check"] == "1"
    pictures.append(wizard.picture(f"installer-{language}-finish"))
    wizard.press(IDOK_NEXT)
    assert wait_process(setup, 60, "the installer to end") == 0
    wait_started(session)
    assert session.reg_get(RUN_KEY, "Pathstow") == run_entry(target, True)

    uninstaller = session.start(target.uninstaller, extra_env=env)
    wizard = Wizard(session, texts["uninstall caption"])
    remove = wizard.wait_text(texts["remove option"])
    assert remove["check"] == "0"  # the bookmarks stay unless asked
    pictures.append(wizard.picture(f"uninstaller-{language}"))
    wizard.press(IDOK_NEXT)
    wizard.wait_text(texts["uninstall finish"])
    wizard.press(IDOK_NEXT)
    wait_process(uninstaller, 60, "the uninstaller to end")
    wait_until(lambda: not session.windows(cls="#32770", title=texts["uninstall caption"]), 60,
               what="the uninstaller's window to close")

    assert not running_copies(session)
    assert_nothing_installed(session, target)
    assert session.reg_export(LIST) == BOOKMARKS

    # The four pages in two rows: what docs/installer-<language>.png shows.
    welcome, options, finish, uninstall = map(str, pictures)
    subprocess.run(["convert", "-background", "white",
                    "(", welcome, options, "-splice", "8x0", "+append", "-chop", "8x0", ")",
                    "(", finish, uninstall, "-splice", "8x0", "+append", "-chop", "8x0", ")",
                    "-splice", "0x8", "-append", "-chop", "0x8", "+repage",
                    str(session.artifacts / f"installer-{language}.png")], check=True, timeout=60)


@pytest.mark.parametrize("language", ["en", "fr"])
def test_wizard_says_why_the_folder_given_cannot_be_made_and_asks_for_another(
        session, target, setup_exe, language):
    texts = page_texts(project_version())[language]
    folder, drive = bad_folders(session, target)["no such drive"]
    chosen = target.at(TOOLS_DIR + r"\Chosen")

    setup = session.start(setup_exe, f"/D={folder}", extra_env={"LC_ALL": "fr_FR.UTF-8"} if language == "fr" else {})
    box = session.wait_window(60, cls="#32770", title=texts["setup caption"], visible=True)
    assert texts["no drive"].format(folder=folder, drive=drive) in [c["text"] for c in session.controls(box["hwnd"])]
    session.close_box(box)

    wizard = Wizard(session, texts["setup caption"])
    wizard.leave(texts["welcome"])
    session.click_control(wizard.wait_text(target.dir_win))  # the folder page, with the usual folder
    session.keys("Home", "Shift+End", "Delete")
    session.type_text(chosen.dir_win)
    wizard.press(IDOK_NEXT)
    wizard.leave(texts["sign-in option"])
    wizard.leave(texts["finish"])
    assert wait_process(setup, 60, "the installer to end") == 0
    assert_installed(session, chosen)
    assert not target.dir.exists()


def test_running_the_installer_again_shows_and_changes_the_start_at_sign_in(session, target, setup_exe):
    texts = page_texts(project_version())["en"]
    assert run_installer(session, setup_exe, "/NOSTART") == 0
    session.reg_set(STARTUP_APPROVED_KEY, "Pathstow", SWITCHED_OFF)

    setup = session.start(setup_exe)
    wizard = Wizard(session, texts["setup caption"])
    wizard.leave(texts["welcome"])
    option = wizard.wait_text(texts["sign-in option"])
    assert option["check"] == "0"  # switched off in Task Manager, it does not start Pathstow now
    session.click_control(option)
    wait_until(lambda: wizard.wait_text(texts["sign-in option"])["check"] == "1", what="the box ticked")
    wizard.press(IDOK_NEXT)
    wizard.leave(texts["finish"])
    assert wait_process(setup, 60, "the installer to end") == 0

    assert session.reg_get(RUN_KEY, "Pathstow") == run_entry(target, True)
    assert mark(session) is None
