"""The Options dialog from the tray menu, used with the mouse and the
keyboard: the sorted list, renaming, adding, deleting, paths typed or
browsed, double click to open, the folder-tree check box, OK and Cancel,
and what reaches the registry."""

import pytest

from harness import FIVE, IDCANCEL, IDOK, PATH_LIST, RES, DialogWindow, menu_layout, rect_of, wait_until

SORTED_FIVE = sorted(FIVE)


def stored(session, app):
    """The saved list: (count, [(name, path)], every value, for checks of deletion)."""
    values = session.reg_export(app.registry_key + PATH_LIST) or {}
    count = values.get("Counter")
    return count, [(values.get(f"Path{k}"), values.get(f"PathName{k}")) for k in range(1, (count or 0) + 1)], values


@pytest.mark.parametrize("language", ["en", "fr"])
def test_opens_sorted_with_the_first_selected_in_the_users_language(session, app, language):
    app.store(FIVE, Tree=1)
    app.start(language=language)
    options = app.open_options(len(FIVE))
    assert options.count() == 5
    assert options.path() == r"C:\a"  # Alpha, first in sorted order
    assert options.checked() == 1
    texts = {id: c["text"] for id, c in options.ids.items()}
    ids = (RES.IDC_ADD, RES.IDC_DELETE, RES.IDC_ABOUT_BUTTON, IDOK, IDCANCEL, RES.IDC_SHOW_TREE)
    assert [texts[i] for i in ids] == {
        "en": ["Add", "Delete", "About", "Ok", "Cancel", "show the tree directory"],
        "fr": ["Ajouter", "D\u00e9truire", "A propos de ...", "Ok", "Annule",
               "montrer l'arborescence des r\u00e9pertoires"]}[language]
    session.move(5, 5)
    options.picture(f"options-{language}")  # the picture docs/options-<language>.png shows
    # OK without changes rewrites the list in display order.
    options.close(IDOK)
    assert stored(session, app)[:2] == (5, SORTED_FIVE)


def test_empty_list_add_name_enter_then_path_and_ok(session, app):
    app.start()
    options = app.open_options(0)
    assert options.count() == 0 and options.path() == ""
    options.add("Zulu")  # Add, the label typed, Enter
    assert options.shown()
    # The new bookmark has no path: the focus is in the path field.
    session.type_text(r"C:\zulu")
    wait_until(lambda: options.path() == r"C:\zulu", 10, what="the typed path")
    options.add("Mike")
    session.type_text(r"C:\mike")
    session.keys("Return")  # Enter in the path field: OK
    wait_until(lambda: not options.shown(), 15, what="Enter to close the dialog")
    assert stored(session, app)[:2] == (2, [("Mike", r"C:\mike"), ("Zulu", r"C:\zulu")])


def test_add_then_escape_keeps_the_new_name_sorted_in(session, app):
    app.store([("Zulu", r"C:\z"), ("Alpha", r"C:\a")])
    app.start()
    options = app.open_options(2)
    options.click(RES.IDC_ADD)
    wait_until(options.editing, 10, what="the label edit")
    session.type_text("Xray")
    session.keys("Escape")
    wait_until(lambda: not options.editing(), 10, what="the edit to end")
    assert options.shown() and options.count() == 3
    options.rename(2, "Kilo")  # Zulu: a click, F2, the label typed, Enter
    options.close(IDOK)
    assert stored(session, app)[:2] == (3, [("Alpha", r"C:\a"), ("Kilo", r"C:\z"), ("New", "")])


def test_paths_typed_then_ok_or_then_another_selection(session, app):
    app.store([("Bravo", r"C:\b"), ("Alpha", r"C:\a"), ("Charlie", r"C:\c")])
    app.start()
    options = app.open_options(3)
    options.type_path(r"C:\alpha edited")   # Alpha is selected
    options.click_item(1)                   # Bravo: the edit is stored for Alpha
    assert options.path() == r"C:\b"
    options.click_item(2)                   # Charlie
    options.type_path(r"C:\charlie edited")
    options.close(IDOK)                            # stored for the selected one on OK
    assert stored(session, app)[:2] == (3, [("Alpha", r"C:\alpha edited"), ("Bravo", r"C:\b"),
                                            ("Charlie", r"C:\charlie edited")])


def test_double_click_opens_the_stored_path_and_the_unticked_box_drops_the_tree(session, app):
    (session.paths["prefix"] / "drive_c" / "data").mkdir(exist_ok=True)
    app.store([("Data", r"C:\data"), ("Other", r"C:\other")], Tree=1)
    app.start()
    options = app.open_options(2)
    options.type_path(r"C:\typed")
    options.click_item(0, count=2)
    wait_until(lambda: len(app.launches()) == 1, 15, what="the launch")
    options.click(RES.IDC_SHOW_TREE)
    assert options.checked() == 0
    options.click_item(0, count=2)
    wait_until(lambda: len(app.launches()) == 2, 15, what="the second launch")
    # The folder is the working directory, unless switches come first.
    explorer, own = f'"{session.explorer}"', app.session_path(app.dir)
    assert app.launches() == [(explorer + r" /e,/n,C:\data", own), (explorer + r" C:\data", r"C:\data")]
    options.close(IDCANCEL)
    assert session.reg_get(app.registry_key + r"\Command", "Tree") == 1
    assert stored(session, app)[1][0] == ("Data", r"C:\data")


def test_deleting_last_only_and_three_of_five(session, app):
    app.store(FIVE)
    app.start()
    options = app.open_options(5)
    options.delete(4)                   # Echo, the last: four left
    assert options.path() == r"C:\d"    # Delta above it is selected
    options.delete(0)                   # Alpha
    options.delete()                    # Bravo, selected next: two left
    assert options.path() == r"C:\c"
    options.close(IDOK)
    count, entries, values = stored(session, app)
    assert (count, entries) == (2, [("Charlie", r"C:\c"), ("Delta", r"C:\d")])
    for k in range(3, 6):
        assert f"Path{k}" not in values and f"PathName{k}" not in values

    # The new list shows in the tray menu at once.
    session.click_tray_icon(1)
    session.click_menu_item(menu_layout(2), 1)
    wait_until(app.launches, 15, what="the launch from the menu")
    assert [cmdline for cmdline, _ in app.launches()] == [f'"{session.explorer}" /e,/n,C:\\d']

    # Deleting the only one leaves an empty tree, the field showing its path.
    app.store([("Only", r"C:\only")])
    options = app.open_options(1)
    options.delete()                    # none left
    assert options.path() == r"C:\only"
    options.click(RES.IDC_DELETE)       # nothing selected: nothing happens
    options.click_item(0, count=2)
    options.close(IDOK)
    assert stored(session, app)[:2] == (0, [])
    assert "Path1" not in stored(session, app)[2]


def test_browse_puts_the_chosen_folder_into_the_path(session, app):
    app.store([("Data", r"C:\data")])
    app.start()
    options = app.open_options(1)
    options.click(RES.IDC_BROWSE)
    browser = session.wait_window(15, cls="#32770", exe=app.exe.name, visible=True,
                                  title="Browse for Folder")
    session.screenshot("options-browse")
    tree = next(c for c in session.controls(browser["hwnd"]) if c["class"] == "SysTreeView32")
    ok = next(c for c in session.controls(browser["hwnd"]) if c["id"] == "1")
    left, top, right, bottom = rect_of(tree)
    session.click(left + 30, top + 10)          # Desktop
    session.keys("Down", "Down")                # past "/" to Documents
    session.screenshot("options-browse-chosen")
    session.click_control(ok)
    session.wait_no_window(15, cls="#32770", exe=app.exe.name, title="Browse for Folder")
    chosen = options.path()
    assert chosen.startswith("C:\\") and chosen.rstrip("\\").endswith("\\Documents"), chosen
    options.close(IDOK)
    assert stored(session, app)[1] == [("Data", chosen)]


def test_about_button_shows_the_about_box_over_the_disabled_options(session, app):
    app.start()
    options = app.open_options(0)
    options.click(RES.IDC_ABOUT_BUTTON)
    about = DialogWindow(session, app.wait_dialog("About Pathstow"))
    assert not options.enabled()
    about.dismiss(IDOK)
    wait_until(options.enabled, 10, what="the Options dialog enabled again")
    options.close(IDCANCEL)
    assert session.reg_query(app.registry_key + PATH_LIST) in (None, {})
