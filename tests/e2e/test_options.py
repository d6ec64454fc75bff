"""The Options dialog from the tray menu, used with the mouse and the
keyboard: the sorted list, renaming, adding, deleting, paths typed or
browsed, double click to open, the folder-tree check box, OK and Cancel,
and what reaches the registry."""

import subprocess

import pytest

from harness import WM_COMMAND, DialogWindow, rect_of, wait_until

IDC_TREE, IDC_ABOUT, IDC_DELETE, IDC_ADD, IDC_PATH, IDC_BROWSE, IDC_SHOW_TREE = \
    1000, 1004, 1005, 1006, 1008, 1009, 1017
IDOK, IDCANCEL = 1, 2
TVM_GETCOUNT, TVM_GETEDITCONTROL, TVM_GETITEMHEIGHT = 0x1105, 0x110F, 0x111C
BM_GETCHECK = 0x00F0
PATH_LIST = r"\Path List"


def store(session, app, bookmarks):
    key = app.registry_key + PATH_LIST
    session.reg_set(key, "Counter", len(bookmarks))
    for k, (name, path) in enumerate(bookmarks, 1):
        session.reg_set(key, f"Path{k}", name)
        session.reg_set(key, f"PathName{k}", path)


def stored(session, app):
    """The saved list as [(name, path)], with the raw values for checks of deletion."""
    values = session.reg_query(app.registry_key + PATH_LIST) or {}
    count = int(values["Counter"][1], 16) if "Counter" in values else None
    entries = [(values.get(f"Path{k}", ("", None))[1], values.get(f"PathName{k}", ("", None))[1])
               for k in range(1, (count or 0) + 1)]
    return count, entries, values


class OptionsWindow(DialogWindow):
    """The open Options dialog: its bookmark tree, path field and buttons."""

    def path(self):
        return self.text(IDC_PATH)

    def count(self):
        return self.session.send(self.control(IDC_TREE), TVM_GETCOUNT)

    def editing(self):
        return self.session.send(self.control(IDC_TREE), TVM_GETEDITCONTROL) != 0

    def checked(self):
        return self.session.send(self.control(IDC_SHOW_TREE), BM_GETCHECK)

    def item_point(self, row):
        """A point on the label of the row-th item from the top."""
        left, top, right, bottom = rect_of(self.ids[IDC_TREE])
        height = self.session.send(self.control(IDC_TREE), TVM_GETITEMHEIGHT)
        return left + 16, top + 2 + height * row + height // 2

    def click_item(self, row):
        self.session.click(*self.item_point(row))
        self.session.move(5, 5)

    def double_click_item(self, row):
        x, y = self.item_point(row)
        self.session.click(x, y, count=2)
        self.session.move(5, 5)

    def type_path(self, text):
        """Replaces the path field's text by typing, as a user does."""
        self.click(IDC_PATH)
        self.session.keys("End", "Shift+Home", "Delete")
        self.session.type_text(text)
        wait_until(lambda: self.path() == text, 10, what=f"path field {text!r}")

    def type_label(self, name):
        """Replaces the text of the label being edited and presses Enter."""
        wait_until(self.editing, 10, what="the label edit")
        self.session.keys("End", "Shift+Home", "Delete")
        self.session.type_text(name)
        self.session.keys("Return")
        wait_until(lambda: not self.editing(), 10, what="the label edit to end")

    def add(self, name, path):
        before = self.count()
        self.click(IDC_ADD)
        self.type_label(name)
        # A new bookmark has no path: the focus is in the path field.
        self.session.type_text(path)
        wait_until(lambda: self.path() == path and self.count() == before + 1, 10,
                   what=f"the new bookmark {name}")

    def rename(self, row, name):
        self.click_item(row)
        self.session.keys("F2")
        self.type_label(name)

    def delete(self, row):
        before = self.count()
        self.click_item(row)
        self.click(IDC_DELETE)
        wait_until(lambda: self.count() == before - 1, 10, what="the deletion")

    def ok(self):
        self.close(IDOK)

    def cancel(self):
        self.close(IDCANCEL)

    def screenshot(self, name):
        png = self.session.screenshot(name)
        left, top, right, bottom = rect_of(self.window)
        crop = png.with_name(f"{name}-dialog.png")
        subprocess.run(["convert", str(png), "-crop",
                        f"{right - left + 8}x{bottom - top + 8}+{left - 4}+{top - 4}", "+repage",
                        str(crop)], check=True)
        return crop


class Options(OptionsWindow):
    """The Options dialog, opened from the tray menu with `bookmarks` items in it."""

    def __init__(self, session, app, bookmarks):
        # Tray menu: the bookmarks, separator, Options, separator, About, Quit.
        session.click_tray_icon(1)
        session.click_menu_item("i" * bookmarks + "sisii", bookmarks + 1)
        super().__init__(session, session.wait_window(15, cls="#32770", title="Pathstow",
                                                      exe=app.exe.name, visible=True))


FIVE = [("Echo", r"C:\e"), ("Alpha", r"C:\a"), ("Delta", r"C:\d"), ("Bravo", r"C:\b"),
        ("Charlie", r"C:\c")]
SORTED_FIVE = sorted(FIVE)


@pytest.mark.parametrize("language", ["en", "fr"])
def test_opens_sorted_with_the_first_selected_in_the_users_language(session, app, language):
    store(session, app, FIVE)
    session.reg_set(app.registry_key + r"\Command", "Tree", 1)
    app.start(language=language)
    options = Options(session, app, len(FIVE))
    assert options.count() == 5
    assert options.path() == r"C:\a"  # Alpha, first in sorted order
    assert options.checked() == 1
    texts = {id: c["text"] for id, c in options.ids.items()}
    if language == "en":
        assert [texts[i] for i in (IDC_ADD, IDC_DELETE, IDC_ABOUT, IDOK, IDCANCEL, IDC_SHOW_TREE)] == \
            ["Add", "Delete", "About", "Ok", "Cancel", "show the tree directory"]
    else:
        assert [texts[i] for i in (IDC_ADD, IDC_DELETE, IDC_ABOUT, IDOK, IDCANCEL, IDC_SHOW_TREE)] == \
            ["Ajouter", "D\u00e9truire", "A propos de ...", "Ok", "Annule",
             "montrer l'arborescence des r\u00e9pertoires"]
    session.move(5, 5)
    options.screenshot(f"options-{language}")  # the picture docs/options-<language>.png shows
    # OK without changes rewrites the list in display order.
    options.ok()
    assert stored(session, app)[:2] == (5, SORTED_FIVE)


def test_empty_list_add_name_enter_then_path_and_ok(session, app):
    app.start()
    options = Options(session, app, 0)
    assert options.count() == 0 and options.path() == ""
    options.click(IDC_ADD)
    wait_until(options.editing, 10, what="the label edit")
    session.keys("End", "Shift+Home", "Delete")
    session.type_text("Zulu")
    session.keys("Return")
    wait_until(lambda: not options.editing(), 10, what="the edit to end")
    assert options.shown()
    # The new bookmark has no path: the focus is in the path field.
    session.type_text(r"C:\zulu")
    wait_until(lambda: options.path() == r"C:\zulu", 10, what="the typed path")
    options.click(IDC_ADD)
    wait_until(options.editing, 10, what="the second label edit")
    session.keys("End", "Shift+Home", "Delete")
    session.type_text("Mike")
    session.keys("Return")
    wait_until(lambda: not options.editing(), 10, what="the edit to end")
    session.type_text(r"C:\mike")
    session.keys("Return")  # Enter in the path field: OK
    wait_until(lambda: not options.shown(), 15, what="Enter to close the dialog")
    assert stored(session, app)[:2] == (2, [("Mike", r"C:\mike"), ("Zulu", r"C:\zulu")])


def test_add_then_escape_keeps_the_new_name_sorted_in(session, app):
    store(session, app, [("Zulu", r"C:\z"), ("Alpha", r"C:\a")])
    app.start()
    options = Options(session, app, 2)
    options.click(IDC_ADD)
    wait_until(options.editing, 10, what="the label edit")
    session.type_text("Xray")
    session.keys("Escape")
    wait_until(lambda: not options.editing(), 10, what="the edit to end")
    assert options.shown() and options.count() == 3
    # F2 renames the selected bookmark.
    options.click_item(2)                   # Zulu
    session.keys("F2")
    wait_until(options.editing, 10, what="the F2 label edit")
    session.keys("End", "Shift+Home", "Delete")
    session.type_text("Kilo")
    session.keys("Return")
    wait_until(lambda: not options.editing(), 10, what="the edit to end")
    options.ok()
    assert stored(session, app)[:2] == (3, [("Alpha", r"C:\a"), ("Kilo", r"C:\z"), ("New", "")])


def test_paths_typed_then_ok_or_then_another_selection(session, app):
    store(session, app, [("Bravo", r"C:\b"), ("Alpha", r"C:\a"), ("Charlie", r"C:\c")])
    app.start()
    options = Options(session, app, 3)
    options.type_path(r"C:\alpha edited")   # Alpha is selected
    options.click_item(1)                   # Bravo: the edit is stored for Alpha
    assert options.path() == r"C:\b"
    options.click_item(2)                   # Charlie
    options.type_path(r"C:\charlie edited")
    options.ok()                            # stored for the selected one on OK
    assert stored(session, app)[:2] == (3, [("Alpha", r"C:\alpha edited"), ("Bravo", r"C:\b"),
                                            ("Charlie", r"C:\charlie edited")])


def test_double_click_opens_the_stored_path_and_the_unticked_box_drops_the_tree(session, app):
    (session.paths["prefix"] / "drive_c" / "data").mkdir(exist_ok=True)
    store(session, app, [("Data", r"C:\data"), ("Other", r"C:\other")])
    session.reg_set(app.registry_key + r"\Command", "Tree", 1)
    app.start()
    options = Options(session, app, 2)
    options.type_path(r"C:\typed")
    options.double_click_item(0)
    wait_until(lambda: len(app.launches()) == 1, 15, what="the launch")
    options.click(IDC_SHOW_TREE)
    assert options.checked() == 0
    options.double_click_item(0)
    wait_until(lambda: len(app.launches()) == 2, 15, what="the second launch")
    # The folder is the working directory, unless switches come first.
    explorer, own = f'"{session.explorer}"', app.session_path(app.dir)
    assert app.launches() == [{"cmdline": explorer + r" /e,/n,C:\data", "cwd": own},
                              {"cmdline": explorer + r" C:\data", "cwd": r"C:\data"}]
    options.cancel()
    assert session.reg_get(app.registry_key + r"\Command", "Tree") == 1
    assert stored(session, app)[1][0] == ("Data", r"C:\data")


def test_deleting_last_only_and_three_of_five(session, app):
    store(session, app, FIVE)
    app.start()
    options = Options(session, app, 5)
    options.click_item(4)               # Echo, the last
    options.click(IDC_DELETE)
    wait_until(lambda: options.count() == 4, 10, what="the deletion")
    assert options.path() == r"C:\d"    # Delta above it is selected
    options.click_item(0)               # Alpha
    options.click(IDC_DELETE)
    wait_until(lambda: options.count() == 3, 10, what="the deletion")
    options.click(IDC_DELETE)           # Bravo, selected next
    wait_until(lambda: options.count() == 2, 10, what="the deletions")
    assert options.path() == r"C:\c"
    options.ok()
    count, entries, values = stored(session, app)
    assert (count, entries) == (2, [("Charlie", r"C:\c"), ("Delta", r"C:\d")])
    for k in range(3, 6):
        assert f"Path{k}" not in values and f"PathName{k}" not in values

    # The new list shows in the tray menu at once.
    session.click_tray_icon(1)
    session.click_menu_item("iisisii", 1)
    wait_until(app.launches, 15, what="the launch from the menu")
    assert [r["cmdline"] for r in app.launches()] == [f'"{session.explorer}" /e,/n,C:\\d']

    # Deleting the only one leaves an empty tree, the field showing its path.
    store(session, app, [("Only", r"C:\only")])
    options = Options(session, app, 1)
    options.click(IDC_DELETE)
    wait_until(lambda: options.count() == 0, 10, what="the deletion")
    assert options.path() == r"C:\only"
    options.click(IDC_DELETE)           # nothing selected: nothing happens
    options.double_click_item(0)
    options.ok()
    assert stored(session, app)[:2] == (0, [])
    assert "Path1" not in stored(session, app)[2]


def test_browse_puts_the_chosen_folder_into_the_path(session, app):
    store(session, app, [("Data", r"C:\data")])
    app.start()
    options = Options(session, app, 1)
    options.click(IDC_BROWSE)
    browser = session.wait_window(15, cls="#32770", exe=app.exe.name, visible=True,
                                  title="Browse for Folder")
    session.screenshot("options-browse")
    tree = next(c for c in session.controls(browser["hwnd"]) if c["class"] == "SysTreeView32")
    ok = next(c for c in session.controls(browser["hwnd"]) if c["id"] == "1")
    left, top, right, bottom = rect_of(tree)
    session.click(left + 30, top + 10)          # Desktop
    session.keys("Down", "Down")                # past "/" to Documents
    session.screenshot("options-browse-chosen")
    ol, ot, orr, ob = rect_of(ok)
    session.click((ol + orr) // 2, (ot + ob) // 2)
    session.wait_no_window(15, cls="#32770", exe=app.exe.name, title="Browse for Folder")
    chosen = options.path()
    assert chosen.startswith("C:\\") and chosen.rstrip("\\").endswith("\\Documents"), chosen
    options.ok()
    assert stored(session, app)[1] == [("Data", chosen)]


def test_about_button_shows_the_about_box_over_the_disabled_options(session, app):
    app.start()
    options = Options(session, app, 0)
    options.click(IDC_ABOUT)
    about = session.wait_window(15, cls="#32770", title="About Pathstow", exe=app.exe.name,
                                visible=True)
    assert session.probe_records("window", options.hwnd)[0]["enabled"] == "0"
    session.post(about["hwnd"], WM_COMMAND, IDOK, 0)
    session.wait_no_window(15, cls="#32770", title="About Pathstow", exe=app.exe.name)
    wait_until(lambda: session.probe_records("window", options.hwnd)[0]["enabled"] == "1", 10,
               what="the Options dialog enabled again")
    options.cancel()
    assert session.reg_query(app.registry_key + PATH_LIST) in (None, {})
