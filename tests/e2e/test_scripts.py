"""Names and folders in every script, in a session whose ANSI code page is
1252 (the program sets its own to UTF-8): the menu shows each name as stored
and opens its exact folder, with Explorer or a Command program; the Options
dialog shows them, saves a rename exactly and rewrites nothing else; a
renamed program keeps its list under its own name; a list saved by an
earlier version in code page 1252 reads back identically. The values are
written as other programs write them, through the wide registry calls."""

import subprocess
import uuid

import pytest

from conftest import pathstow_app
from harness import rect_of, wait_until
from test_menu import NIN_KEYSELECT, TRAY_ICON_ID, WM_TRAYNOTIFY, store, wait_launches
from test_options import IDC_PATH, IDC_TREE, IDOK, OptionsWindow

# One name a script, each the name of its folder too; the emoji is a
# four-byte UTF-8 sequence and a surrogate pair in UTF-16.
SCRIPTS = ["Проекты 2024", "Ελληνικά", "日本語の文書", "Éléments à trier", "Sync 📁"]
TAIL = ["", "Options", "", "About", "Quit"]


def folders(tmp_path, app):
    """A folder for each name, as the session sees it."""
    paths = []
    for name in SCRIPTS:
        (tmp_path / name).mkdir(exist_ok=True)
        paths.append(app.session_path(tmp_path / name))
    return paths


# The menu is used from the keyboard here: rows of names in some scripts may
# be drawn with a fallback font of other heights than the measured ones.

def open_menu(session, app):
    """Opens the menu as Enter on the icon does, its first item highlighted
    (at the pointer where the system does not tell where the icon is)."""
    session.move(*session.tray_icon_point(1))
    session.post(app.hwnd, WM_TRAYNOTIFY, TRAY_ICON_ID, NIN_KEYSELECT)
    return session.wait_menu()


def close_menu(session):
    session.keys("Escape")
    session.wait_menu_closed()


def choose(session, app, item):
    """Chooses item `item` (separators not counted) with the arrow keys and Enter."""
    open_menu(session, app)
    session.keys(*["Down"] * item, "Return")
    session.wait_menu_closed()


def open_options(session, app, bookmarks):
    choose(session, app, bookmarks)
    return OptionsWindow(session, session.wait_window(15, cls="#32770", title="Pathstow", exe=app.exe.name,
                                                      visible=True))


def test_the_menu_shows_every_name_and_opens_its_exact_folder(session, app, tmp_path):
    paths = folders(tmp_path, app)
    store(session, app, list(zip(SCRIPTS, paths)), Tree=0)
    app.start()
    menu = open_menu(session, app)
    assert session.menu_texts(app.hwnd) == SCRIPTS + TAIL
    # What docs/menu-scripts.png shows (with fonts for every script in the prefix).
    shot = session.screenshot("menu-scripts")
    left, top, _, _ = rect_of(menu)
    subprocess.run(["convert", str(shot), "-crop", f"{1024 - left + 16}x{768 - top + 16}+{left - 16}+{top - 16}",
                    "+repage", str(shot.with_name("menu-scripts-crop.png"))], check=True)
    close_menu(session)

    for k, path in enumerate(paths):
        choose(session, app, k)
        assert wait_launches(app, k + 1)[k] == (f'"{session.explorer}" {path}', path)

    # The Command program receives the same folders whole.
    app.stop()
    recorder = app.session_path(session.paths["recorder"])
    store(session, app, list(zip(SCRIPTS, paths)), Command=recorder)
    app.start()
    for k, path in enumerate(paths):
        choose(session, app, k)
        quoted = f'"{path}"' if " " in path else path
        assert wait_launches(app, len(paths) + k + 1)[-1] == (f'"{recorder}" {quoted}', path)


def test_a_long_label_is_cut_at_a_characters_end(session, app):
    """Labels are cut for the menu at 512 bytes of UTF-8, never inside a character."""
    store(session, app, [("日" * 1000, r"C:\windows"), ("a" + "📁" * 300, r"C:\windows")])
    app.start()
    open_menu(session, app)
    assert session.menu_texts(app.hwnd) == ["日" * 170, "a" + "📁" * 127] + TAIL
    close_menu(session)


def test_options_shows_every_name_and_saves_a_rename_exactly(session, app, tmp_path):
    paths = folders(tmp_path, app)
    store(session, app, list(zip(SCRIPTS, paths)))
    key = app.registry_key + r"\Path List"
    before = session.reg_export(key, tmp_path)
    app.start()
    options = open_options(session, app, len(SCRIPTS))
    shown = session.tree_items(options.control(IDC_TREE))
    assert sorted(shown) == sorted(SCRIPTS)
    # Each shows its folder in the field when selected (the first is at the
    # start; under Wine a click on the selected item swallows the next click).
    for row, name in enumerate(shown):
        if row:
            options.click_item(row)
        wait_until(lambda: options.text(IDC_PATH) == paths[SCRIPTS.index(name)], 10,
                   what=f"the folder of {name}")
    renamed = "Новое имя 📁 ☃"
    options.rename(shown.index(SCRIPTS[0]), renamed)
    wait_until(lambda: renamed in session.tree_items(options.control(IDC_TREE)), 10, what="the new name")
    options.close(IDOK)

    after = session.reg_export(key, tmp_path)
    entries = {(after[f"Path{k}"], after[f"PathName{k}"]) for k in range(1, after["Counter"] + 1)}
    assert entries == {(renamed, paths[0])} | set(zip(SCRIPTS[1:], paths[1:]))
    assert after["Counter"] == before["Counter"]


def test_a_list_saved_in_code_page_1252_reads_back_identically(session, app, tmp_path):
    """Today's users' lists, written through the ANSI calls in code page 1252."""
    names = ["Élèves", "Données de l'été", "Bibliothèque", "Façade"]
    key = app.registry_key + r"\Path List"
    lines = ["REGEDIT4", "", f"[{key.replace('HKCU', 'HKEY_CURRENT_USER', 1)}]", f'"Counter"=dword:{len(names):08x}']
    lines += [f'"Path{k}"="{n}"\r\n"PathName{k}"="C:\\\\{n}"' for k, n in enumerate(names, 1)]
    seed = tmp_path / "ansi.reg"
    seed.write_bytes(("\r\n".join(lines) + "\r\n").encode("cp1252"))
    session.run("regedit", "/S", app.session_path(seed))
    before = session.reg_export(key, tmp_path)
    assert [before[f"Path{k}"] for k in range(1, 5)] == names
    app.start()
    open_menu(session, app)
    assert session.menu_texts(app.hwnd) == names + TAIL
    close_menu(session)
    options = open_options(session, app, len(names))
    options.close(IDOK)
    after = session.reg_export(key, tmp_path)
    assert sorted((after[f"Path{k}"], after[f"PathName{k}"]) for k in range(1, 5)) == \
        sorted((before[f"Path{k}"], before[f"PathName{k}"]) for k in range(1, 5))


@pytest.fixture
def greek_app(session, tmp_path, request):
    """A copy of the program named with a letter outside code page 1252."""
    workdir = tmp_path / "greek"
    workdir.mkdir()
    yield from pathstow_app(session, workdir, request, name=f"Pfad-Ω-{uuid.uuid4().hex[:6]}")


def test_a_program_renamed_outside_the_code_page_keeps_its_list_under_its_name(session, greek_app, tmp_path):
    app = greek_app
    store(session, app, [("Ωmega", r"C:\windows")])
    app.start()
    open_menu(session, app)
    assert session.menu_texts(app.hwnd) == ["Ωmega"] + TAIL
    close_menu(session)
    options = open_options(session, app, 1)
    options.close(IDOK)
    saved = session.reg_export(app.registry_key + r"\Path List", tmp_path)
    assert (saved["Counter"], saved["Path1"], saved["PathName1"]) == (1, "Ωmega", r"C:\windows")
