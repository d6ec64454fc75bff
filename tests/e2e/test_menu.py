"""The tray menu in use: bookmarks from the registry become menu items, and
choosing one starts Explorer (or the Command program) on its folder, with the
exact command line and working directory; what opens the menu and what does not;
where it opens; the keyboard; its labels in English and French; a shortened
list; a very long list; Quit."""

import shutil

import pytest

from harness import MENU_TAIL, NATURAL_ENTRIES, NIN_KEYSELECT, NIN_SELECT, QUIT_ITEM, TRAY_ICON_ID, WM_CONTEXTMENU, \
    WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_TRAYNOTIFY, holds, menu_layout, \
    rect_of, wait_until


def no_menu(session):
    return not session.windows(cls="#32768", visible=True)


LAUNCH_ENTRIES = [
    ("Windows", r"C:\windows"),
    ("Programs", r"C:\Program Files"),  # a blank
    ("Photos", r"C:\Photos, 2023"),  # a comma: Explorer would split the path there
    ("Own switches", r"/e,C:\windows"),  # the user's own Explorer switches
    ("", r"C:\windows"),  # no name: no path either
]

@pytest.mark.parametrize("tree", [None, 0, 2, 0xFFFFFFFF], ids=["default", "0", "2", "minus1"])
def test_bookmarks_start_explorer_with_or_without_the_tree(session, app, tree):
    (session.paths["prefix"] / "drive_c" / "Photos, 2023").mkdir(exist_ok=True)
    app.store(LAUNCH_ENTRIES, **({} if tree is None else {"Tree": tree}))
    assert session.reg_get(app.registry_key + r"\Command", "Tree") == tree
    app.start()
    for index in range(len(LAUNCH_ENTRIES)):
        app.choose(len(LAUNCH_ENTRIES), index)
        app.wait_launches(index + 1)

    # Explorer by its full path, which the shell quotes. It gets the
    # parameters text as its working directory too; the platform ignores
    # one that is not a folder and keeps the program's own.
    explorer, own = f'"{session.explorer}"', app.session_path(app.dir)
    if tree is None:
        expected = [
            (explorer + r" /e,/n,C:\windows", own),
            (explorer + r" /e,/n,C:\Program Files", own),
            (explorer + r' /e,/n,"C:\Photos, 2023"', own),
            (explorer + r" /e,C:\windows", own),
            (explorer + r" /e,/n,", own),
        ]
    else:
        expected = [
            (explorer + r" C:\windows", r"C:\windows"),
            (explorer + r" C:\Program Files", r"C:\Program Files"),
            (explorer + r' "C:\Photos, 2023"', own),
            (explorer + r" /e,C:\windows", own),
            (explorer, own),
        ]
    assert app.launches() == expected
    assert app.alive()


def test_command_program_opens_folders_instead_of_explorer(session, app):
    opener = app.dir / "opener.exe"
    shutil.copy(session.paths["recorder"], opener)
    command = app.session_path(opener)
    entries = [("Programs", r"C:\Program Files"), ("Windows", r"C:\windows")]
    app.store(entries, Tree=1, Command=command)
    app.start()
    app.choose(len(entries), 0)
    app.wait_launches(1)
    app.choose(len(entries), 1)
    # Quoted for the program's own command-line split; the folder itself,
    # unquoted, is its working directory. The tree setting plays no part.
    assert app.wait_launches(2) == [
        (f'"{command}" "C:\\Program Files"', r"C:\Program Files"),
        (f'"{command}" C:\\windows', r"C:\windows"),
    ]

    # A Command program that is not there: the launch fails with a box.
    app.stop()
    app.store(entries, Tree=1, Command=app.session_path(app.dir / "missing.exe"))
    app.start()
    app.choose(len(entries), 1)
    box, texts = app.message_box()
    assert (box["title"], texts) == ("Error", ["Command not found"])
    session.close_box(box)
    assert len(app.launches()) == 2 and app.alive()


def test_bookmark_dropped_from_the_list_while_the_menu_is_open_shows_an_error(session, app):
    entries = [("Windows", r"C:\windows"), ("Programs", r"C:\Program Files"), ("Fonts", r"C:\windows\Fonts")]
    app.store(entries)
    app.start()
    app.open_menu()
    # Another instance saves a shorter list while this menu is shown.
    session.reg_set(app.registry_key + r"\Path List", "Counter", 1)
    session.click_menu_item(menu_layout(3), 2)

    box, texts = app.message_box()
    assert (box["title"], texts) == ("Error", ["Cannot find this name in the registry"])
    assert (int(box["pid"]), int(box["tid"])) == (app.pid, app.tid)
    # Owned by the hidden window, which the box disables while it is up.
    assert session.window(app.hwnd)["enabled"] == "0"
    session.screenshot("menu-error-117")
    session.close_box(box)
    assert session.window(app.hwnd)["enabled"] == "1"
    assert app.launches() == []

    # Still running; the next menu shows the list as it is now.
    assert app.alive()
    app.choose(1, 0)
    assert app.wait_launches(1) == [(f'"{session.explorer}" /e,/n,C:\\windows', app.session_path(app.dir))]


def test_only_a_left_press_on_the_icon_opens_the_menu_and_quit_removes_the_icon(session, app):
    app.start()  # no bookmarks at all
    session.move_away()
    wait_until(session.icon_shown, what="the icon in the first slot")

    session.click_tray_icon(1, button=3)
    assert holds(lambda: no_menu(session), 1.0), "a popup menu appeared"
    # Releases, double clicks, the right button, a selection, the context menu
    # and another icon's id, as the notification area reports them.
    for icon, mouse in [(TRAY_ICON_ID, WM_LBUTTONUP), (TRAY_ICON_ID, WM_LBUTTONDBLCLK),
                        (TRAY_ICON_ID, WM_RBUTTONDOWN), (TRAY_ICON_ID, NIN_SELECT),
                        (TRAY_ICON_ID, WM_CONTEXTMENU), (TRAY_ICON_ID + 1, WM_LBUTTONDOWN),
                        (TRAY_ICON_ID + 1, NIN_KEYSELECT)]:
        session.post(app.hwnd, WM_TRAYNOTIFY, icon, mouse)
        assert holds(lambda: no_menu(session), 0.5), "a popup menu appeared"
    session.post(app.hwnd, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN)
    menu = session.wait_menu()
    # An empty list: the menu begins with the separator before Options.
    session.menu_item_point(menu, MENU_TAIL, 0)
    session.close_menu()

    # Closed without a choice: the next click opens it again.
    session.click_tray_icon(1)
    session.click_menu_item(MENU_TAIL, QUIT_ITEM)
    assert app.wait_exit(15) == 0
    assert not session.windows(cls="DummyClass", exe=app.exe.name)
    session.move_away()
    wait_until(lambda: not session.icon_shown(), what="the notification area without the icon")


def test_menu_ends_at_the_pointer_and_takes_the_keyboard_at_once(session, app):
    app.store(NATURAL_ENTRIES)
    app.start()

    def open_menu_at(x, y):
        session.click(x, y)
        menu = session.wait_menu()
        session.menu_item_point(menu, menu_layout(len(NATURAL_ENTRIES)), 0)
        # The taskbar is at the bottom: the menu's right edge is at the pointer,
        # and a menu that does not fit below it ends at the work area's bottom.
        _, _, right, bottom = rect_of(menu)
        assert (right, bottom) == (x, session.work_area[3])
        # The program made its own window the foreground one, so keys reach the menu.
        assert session.probe_records("foreground")[0]["hwnd"] == app.hwnd

    # Two points of the icon: left of its middle, and right of it near its top.
    left, top, right, bottom = session.tray_slot(1)
    open_menu_at(left + (right - left) // 5, (top + bottom) // 2)
    session.close_menu()  # without a choice
    open_menu_at(right - (right - left) // 4, top + (bottom - top) // 5)
    session.keys("d")  # the access key of "&Documents"
    session.wait_menu_closed()
    # One launch: the Escape chose nothing.
    assert app.wait_launches(1) == [(f'"{session.explorer}" /e,/n,C:\\users\\Public\\Documents',
                                     app.session_path(app.dir))]


def test_enter_on_the_icon_opens_the_menu_for_the_arrow_keys(session, app):
    """Enter on the icon, when the notification area has the keyboard, makes
    the shell send the key selection, twice for Enter. Wine's taskbar cannot
    be reached from the keyboard, so the test posts it as the shell does."""
    app.store(NATURAL_ENTRIES)
    app.start()
    session.move_away()
    for _ in range(2):  # the second finds the menu open and leaves it so
        session.post(app.hwnd, WM_TRAYNOTIFY, TRAY_ICON_ID, NIN_KEYSELECT)
    menu = session.wait_menu()
    session.menu_item_point(menu, menu_layout(len(NATURAL_ENTRIES)), 0)
    assert int(menu["pid"]) == app.pid
    assert session.probe_records("foreground")[0]["hwnd"] == app.hwnd
    # The first bookmark is highlighted already: one Down reaches the second.
    session.keys("Down", "Return")
    session.wait_menu_closed()
    assert app.wait_launches(1) == [(f'"{session.explorer}" /e,/n,C:\\users\\Public\\Music',
                                     app.session_path(app.dir))]


def test_menu_labels_follow_the_user_language(session, app):
    app.store(NATURAL_ENTRIES)
    widths = {}
    for language in ("en", "fr"):
        app.start(language=language)
        menu = app.open_menu()
        # Rest the pointer on the first bookmark, off the icon and its tooltip.
        session.move(*session.menu_item_point(menu, menu_layout(len(NATURAL_ENTRIES)), 0))
        wait_until(lambda: not session.tooltip_texts(), what="the tooltip to go")
        session.menu_picture(menu, f"menu-{language}")
        left, _, right, _ = rect_of(menu)
        widths[language] = right - left
        session.close_menu()
        assert not app.stop()  # it quit by its own command
    # Labels of another process's menu cannot be read here; "A propos de
    # Pathstow" is the widest label of the French menu, "Projects\Pathstow" of
    # the English one.
    assert widths["fr"] > widths["en"]


def test_a_thousand_bookmarks(session, app):
    app.store([(f"Archive {k:04d}", f"C:\\Archive\\{k:04d}") for k in range(1, 1001)])
    assert session.reg_get(app.registry_key + r"\Path List", "PathName1000") == r"C:\Archive\1000"
    app.start()

    menu = app.open_menu(timeout=30)  # 1000 entries read afresh take a few seconds
    # Taller than the screen: the menu fills the work area and scrolls.
    _, top, _, bottom = rect_of(menu)
    assert (top, bottom) == (session.work_area[1], session.work_area[3])
    session.keys(*["Down"] * 37, "Return")
    session.wait_menu_closed(30)
    own = app.session_path(app.dir)
    assert app.wait_launches(1) == [(f'"{session.explorer}" /e,/n,C:\\Archive\\0037', own)]

    # From Quit upwards past About and Options to the last bookmark.
    app.open_menu(timeout=30)
    session.keys("End", "Up", "Up", "Up", "Return")
    session.wait_menu_closed(30)
    assert app.wait_launches(2)[1] == (f'"{session.explorer}" /e,/n,C:\\Archive\\1000', own)
