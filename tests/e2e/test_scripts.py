"""Names and folders in every script, in a session whose ANSI code page is
1252 (the program sets its own to UTF-8): the menu shows each name as stored
and opens its exact folder, with Explorer or a Command program; the Options
dialog shows them, saves a rename exactly and rewrites nothing else; a
renamed program keeps its list under its own name; a list saved by an
earlier version in code page 1252 reads back identically. The values are
written as other programs write them, through the wide registry calls."""

import uuid

import pytest

from conftest import pathstow_app
from harness import IDOK, PATH_LIST, RES, wait_until

# One name a script, each the name of its folder too; the emoji is a
# four-byte UTF-8 sequence and a surrogate pair in UTF-16.
SCRIPTS = ["Проекты 2024", "Ελληνικά", "日本語の文書", "Éléments à trier", "Sync 📁"]
TAIL = ["", "Options", "", "About", "Quit"]


def folders(tmp_path, app):
    """A folder for each name, as the session sees it."""
    for name in SCRIPTS:
        (tmp_path / name).mkdir(exist_ok=True)
    return [app.session_path(tmp_path / name) for name in SCRIPTS]


def menu_texts(session, app):
    """The texts of the menu that Enter on the icon opens, closed again. The
    menu is used from the keyboard here: see PathstowApp.choose_by_key."""
    app.open_menu_by_key()
    texts = session.menu_texts(app.hwnd)
    session.close_menu()
    return texts


def test_the_menu_shows_every_name_and_opens_its_exact_folder(session, app, tmp_path):
    paths = folders(tmp_path, app)
    app.store(list(zip(SCRIPTS, paths)), Tree=0)
    app.start()
    menu = app.open_menu_by_key()
    assert session.menu_texts(app.hwnd) == SCRIPTS + TAIL
    # What docs/menu-scripts.png shows (with fonts for every script in the prefix).
    session.menu_picture(menu, "menu-scripts")
    session.close_menu()

    for k, path in enumerate(paths):
        app.choose_by_key(k)
        assert app.wait_launches(k + 1)[k] == (f'"{session.explorer}" {path}', path)

    # The Command program receives the same folders whole.
    app.stop()
    recorder = app.session_path(session.paths["recorder"])
    app.store(list(zip(SCRIPTS, paths)), Command=recorder)
    app.start()
    for k, path in enumerate(paths):
        app.choose_by_key(k)
        quoted = f'"{path}"' if " " in path else path
        assert app.wait_launches(len(paths) + k + 1)[-1] == (f'"{recorder}" {quoted}', path)


def test_a_long_label_is_cut_at_a_characters_end(session, app):
    """Labels are cut for the menu at 512 bytes of UTF-8, never inside a character."""
    app.store([("日" * 1000, r"C:\windows"), ("a" + "📁" * 300, r"C:\windows")])
    app.start()
    assert menu_texts(session, app) == ["日" * 170, "a" + "📁" * 127] + TAIL


def test_options_shows_every_name_and_saves_a_rename_exactly(session, app, tmp_path):
    paths = folders(tmp_path, app)
    app.store(list(zip(SCRIPTS, paths)))
    key = app.registry_key + PATH_LIST
    before = session.reg_export(key)
    app.start()
    options = app.open_options(len(SCRIPTS), by_key=True)
    shown = session.tree_items(options.control(RES.IDC_BOOKMARK_TREE))
    assert sorted(shown) == sorted(SCRIPTS)
    # Each shows its folder in the field when selected (the first is at the
    # start; under Wine a click on the selected item swallows the next click).
    for row, name in enumerate(shown):
        if row:
            options.click_item(row)
        wait_until(lambda: options.path() == paths[SCRIPTS.index(name)], 10,
                   what=f"the folder of {name}")
    renamed = "Новое имя 📁 ☃"
    options.rename(shown.index(SCRIPTS[0]), renamed)
    wait_until(lambda: renamed in session.tree_items(options.control(RES.IDC_BOOKMARK_TREE)), 10,
               what="the new name")
    options.close(IDOK)

    after = session.reg_export(key)
    entries = {(after[f"Path{k}"], after[f"PathName{k}"]) for k in range(1, after["Counter"] + 1)}
    assert entries == {(renamed, paths[0])} | set(zip(SCRIPTS[1:], paths[1:]))
    assert after["Counter"] == before["Counter"]


def test_a_list_saved_in_code_page_1252_reads_back_identically(session, app, tmp_path):
    """Today's users' lists, written through the ANSI calls in code page 1252."""
    names = ["Élèves", "Données de l'été", "Bibliothèque", "Façade"]
    key = app.registry_key + PATH_LIST
    app.store([(name, f"C:\\{name}") for name in names], ansi=True)
    before = session.reg_export(key)
    assert [before[f"Path{k}"] for k in range(1, 5)] == names
    app.start()
    assert menu_texts(session, app) == names + TAIL
    options = app.open_options(len(names), by_key=True)
    options.close(IDOK)
    after = session.reg_export(key)
    assert sorted((after[f"Path{k}"], after[f"PathName{k}"]) for k in range(1, 5)) == \
        sorted((before[f"Path{k}"], before[f"PathName{k}"]) for k in range(1, 5))


@pytest.fixture
def greek_app(session, tmp_path, request):
    """A copy of the program named with a letter outside code page 1252."""
    yield from pathstow_app(session, tmp_path / "greek", request, name=f"Pfad-Ω-{uuid.uuid4().hex[:6]}")


def test_a_program_renamed_outside_the_code_page_keeps_its_list_under_its_name(session, greek_app, tmp_path):
    app = greek_app
    app.store([("Ωmega", r"C:\windows")])
    app.start()
    assert menu_texts(session, app) == ["Ωmega"] + TAIL
    options = app.open_options(1, by_key=True)
    options.close(IDOK)
    saved = session.reg_export(app.registry_key + PATH_LIST)
    assert (saved["Counter"], saved["Path1"], saved["PathName1"]) == (1, "Ωmega", r"C:\windows")
