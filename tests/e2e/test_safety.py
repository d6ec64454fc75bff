"""What comes from outside the program: a program that someone else put into
a bookmarked folder, folder names that the command processor reads as
commands, a task manager's polite close, and an error box over the Options
dialog while the user works in it."""

import shutil

import pytest

from harness import IDCANCEL, RES, wait_until

APP_PATHS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths"


def test_a_program_in_the_opened_folder_never_runs(session, app, tmp_path):
    """Explorer, and a Command given by its bare name, are never looked up
    in the folder being opened, where anyone may have put a program."""
    folder = tmp_path / "Downloads"
    folder.mkdir()
    for planted in ("explorer.exe", "opener.exe"):
        shutil.copy(session.paths["recorder"], folder / planted)
    registered = app.dir / "registered opener.exe"
    shutil.copy(session.paths["recorder"], registered)
    session.run("reg", "add", APP_PATHS + r"\opener.exe", "/ve", "/d", app.session_path(registered), "/f")
    downloads = app.session_path(folder)
    try:
        app.store([("Downloads", downloads)], Tree=0)
        app.start()
        app.choose(1, 0)
        assert app.wait_launches(1) == [(f'"{session.explorer}" {downloads}', downloads)]

        app.stop()
        app.store([("Downloads", downloads)], Command="opener")
        app.start()
        app.choose(1, 0)
        assert app.wait_launches(2)[1] == (f'"{app.session_path(registered)}" {downloads}', downloads)
        assert len(app.launches()) == 2
    finally:
        session.reg_delete(APP_PATHS + r"\opener.exe")


def test_the_folder_reaches_a_batch_file_as_one_intact_argument(session, app, tmp_path):
    """The command processor reads a batch file's command line again: "&",
    brackets, commas and "=" in a folder name stay in its one argument."""
    folder = tmp_path / "R&D(x),y=1"
    folder.mkdir()
    shutil.copy(session.paths["recorder"], folder / "D.exe")  # what a split "& D" would run
    batch = app.dir / "open folder.bat"
    batch.write_bytes(b'@echo off\r\nsetlocal EnableDelayedExpansion\r\nset "arg=%~1"\r\n'
                      b'>>"%~dp0argument.txt" echo !arg!\r\n')
    path = app.session_path(folder)
    app.store([("R&&D", path)], Command=app.session_path(batch))
    app.start()
    app.choose(1, 0)
    argument = app.dir / "argument.txt"
    wait_until(argument.exists, 30, what="the batch file's output")
    wait_until(lambda: argument.read_bytes().endswith(b"\r\n"), 10, what="the whole line")
    assert argument.read_text(encoding="cp1252").splitlines() == [path]
    assert app.launches() == []  # nothing else was started


@pytest.mark.parametrize("open_dialog", [False, True], ids=["idle", "options open"])
def test_a_task_managers_close_ends_the_program_and_saves_nothing(session, app, open_dialog):
    """taskkill without /f, an uninstaller or an updater sends WM_CLOSE: the
    program ends as Quit does, an open dialog as if cancelled."""
    app.store([("Windows", r"C:\windows")])
    app.start()
    if open_dialog:
        app.open_options(1).type_path(r"C:\not saved")
    session.run("taskkill", "/im", app.exe.name, check=False)
    assert app.wait_exit(30) == 0
    assert not session.has_icon(app.hwnd)
    assert session.reg_get(app.registry_key + r"\Path List", "PathName1") == r"C:\windows"
    assert not app.heap_reports()


def test_an_error_box_over_options_holds_the_dialog_until_it_is_closed(session, app):
    """A double click whose launch fails shows its box over the Options
    dialog, which cannot be used until the box is closed."""
    app.store([("Alpha", r"C:\a"), ("Bravo", r"C:\b")], Command=app.session_path(app.dir / "missing.exe"))
    app.start()
    options = app.open_options(2)
    options.click_item(0, count=2)
    box, texts = app.message_box("Error")
    assert texts == ["Command not found"]
    assert not options.enabled()
    options.click(RES.IDC_DELETE)
    assert options.count() == 2
    session.close_box(box)
    wait_until(options.enabled, 10, what="the dialog enabled again")
    options.delete(0)
    options.close(IDCANCEL)
    assert app.alive() and not app.heap_reports()


def test_a_folder_too_long_for_a_working_directory_still_opens(session, app, tmp_path):
    """A working directory holds fewer than MAX_PATH characters: a longer
    folder reaches the Command program as its argument, and the program
    starts in Pathstow's own folder."""
    folder = tmp_path
    while len(app.session_path(folder)) <= 300:
        folder = folder / "a folder with a long name"
    folder.mkdir(parents=True)
    path = app.session_path(folder)
    opener = app.session_path(session.paths["recorder"])
    app.store([("Deep", path)], Command=opener)
    app.start()
    app.choose(1, 0)
    assert app.wait_launches(1) == [(f'"{opener}" "{path}"', app.session_path(app.dir))]
    assert app.alive()


def test_a_launch_failure_without_a_text_of_its_own_still_says_what_went_wrong(session, app, tmp_path):
    """A Command file of a type no program is registered for: the box says so."""
    viewer = tmp_path / "viewer.pathstow-unknown"
    viewer.write_text("not a program")
    app.store([("Windows", r"C:\windows")], Command=app.session_path(viewer))
    app.start()
    app.choose(1, 0)
    box, texts = app.message_box("Error")
    assert texts == ["No program is registered for this type of file"]
    session.close_box(box)
    assert app.launches() == [] and app.alive()
