"""The tray menu in use: bookmarks from the registry become menu items, and
choosing one starts Explorer (or the Command program) on its folder, with the
exact command line and working directory; what opens the menu and what does not;
where it opens; the keyboard; its labels in English and French; a shortened
list; a very long list; Quit."""

import shutil
import subprocess
import time

import pytest

from harness import SCREEN_H, SCREEN_W, Timeout, rect_of, wait_until

WM_TRAYNOTIFY, TRAY_ICON_ID = 1125, 128
WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN = 0x201, 0x202, 0x203, 0x204
# What an icon of version 3 gets besides: after a mouse selection, Enter or
# Space on the icon, after a right click.
NIN_SELECT, NIN_KEYSELECT, WM_CONTEXTMENU = 0x400, 0x401, 0x7B
# What follows the bookmarks: separator, Options, separator, About, Quit.
TAIL = "sisii"
QUIT = len(TAIL) - 1


def layout(bookmarks):
    return "i" * bookmarks + TAIL


def store(session, app, entries, **settings):
    """Writes the bookmark list and the settings as another instance of the
    program would, in one import that keeps every character."""
    values = {"Counter": len(entries)}
    for k, (name, path) in enumerate(entries, 1):
        values.update({f"Path{k}": name, f"PathName{k}": path})
    session.reg_import({app.registry_key + r"\Path List": values, app.registry_key + r"\Command": settings},
                       app.dir)


def launches(app):
    return [(r["cmdline"], r["cwd"]) for r in app.launches()]


def wait_launches(app, count):
    wait_until(lambda: len(app.launches()) >= count, 15, what=f"{count} launches")
    return launches(app)


def open_menu(session, timeout=5):
    """Clicks the icon and answers the menu. Where opening is not what is
    tested, a click that showed no menu is made once more: on a loaded host a
    click right after a launch once gave no menu in some hundreds (not
    reproduced since, cause not found)."""
    session.click_tray_icon(1)
    try:
        return session.wait_menu(timeout)
    except Timeout:
        session.screenshot("menu-click-without-menu")
        session.click_tray_icon(1)
        return session.wait_menu(timeout)


def choose(session, bookmarks, index):
    """Opens the menu with a click on the icon and clicks item `index`."""
    open_menu(session)
    session.click_menu_item(layout(bookmarks), index)
    session.wait_menu_closed()


def assert_no_menu_for(session, seconds=1.0):
    """Nothing happening cannot be waited for: look for a menu during a while."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        assert not session.windows(cls="#32768", visible=True), "a popup menu appeared"
        time.sleep(0.1)


def hidden_enabled(session, app):
    return session.probe_records("window", app.hwnd)[0]["enabled"] == "1"


def error_box(session, app):
    """The program's message box: (window record, text of its message)."""
    box = session.wait_window(15, cls="#32770", exe=app.exe.name, visible=True)
    texts = [c["text"] for c in session.controls(box["hwnd"]) if c["class"].lower() == "static" and c["text"]]
    return box, texts


def close_box(session, box):
    ok = [c for c in session.controls(box["hwnd"]) if c["class"].lower() == "button"]
    assert [c["text"] for c in ok] == ["OK"]
    left, top, right, bottom = rect_of(ok[0])
    session.click((left + right) // 2, (top + bottom) // 2)
    session.wait_no_window(10, cls="#32770", exe=box["exe"], visible=True)


def save_menu_picture(session, menu, name):
    """The menu and the taskbar corner below it, among the artifacts as
    <name>-crop.png: the picture docs/<name>.png shows."""
    png = session.screenshot(name)
    left, top, _, _ = rect_of(menu)
    x, y = left - 16, top - 16
    crop = png.with_name(f"{name}-crop.png")
    subprocess.run(["convert", str(png), "-crop", f"{SCREEN_W - x}x{SCREEN_H - y}+{x}+{y}", "+repage",
                    str(crop)], check=True)


LAUNCH_ENTRIES = [
    ("Windows", r"C:\windows"),
    ("Programs", r"C:\Program Files"),  # a blank
    ("Photos", r"C:\Photos, 2023"),  # a comma: Explorer would split the path there
    ("Own switches", r"/e,C:\windows"),  # the user's own Explorer switches
    ("", r"C:\windows"),  # no name: no path either
]

NATURAL_ENTRIES = [("&Documents", r"C:\users\Public\Documents"), ("Music", r"C:\users\Public\Music"),
                   ("Projects\\Pathstow", r"C:\Projects\Pathstow")]


@pytest.mark.parametrize("tree", [None, 0, 2, 0xFFFFFFFF], ids=["default", "0", "2", "minus1"])
def test_bookmarks_start_explorer_with_or_without_the_tree(session, app, tree):
    (session.paths["prefix"] / "drive_c" / "Photos, 2023").mkdir(exist_ok=True)
    store(session, app, LAUNCH_ENTRIES, **({} if tree is None else {"Tree": tree}))
    assert session.reg_get(app.registry_key + r"\Command", "Tree") == tree
    app.start()
    for index in range(len(LAUNCH_ENTRIES)):
        choose(session, len(LAUNCH_ENTRIES), index)
        wait_launches(app, index + 1)

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
    assert launches(app) == expected
    assert app.alive()


def test_command_program_opens_folders_instead_of_explorer(session, app):
    opener = app.dir / "opener.exe"
    shutil.copy(session.paths["recorder"], opener)
    command = app.session_path(opener)
    entries = [("Programs", r"C:\Program Files"), ("Windows", r"C:\windows")]
    store(session, app, entries, Tree=1, Command=command)
    app.start()
    choose(session, len(entries), 0)
    wait_launches(app, 1)
    choose(session, len(entries), 1)
    # Quoted for the program's own command-line split; the folder itself,
    # unquoted, is its working directory. The tree setting plays no part.
    assert wait_launches(app, 2) == [
        (f'"{command}" "C:\\Program Files"', r"C:\Program Files"),
        (f'"{command}" C:\\windows', r"C:\windows"),
    ]

    # A Command program that is not there: the launch fails with a box.
    app.stop()
    store(session, app, entries, Tree=1, Command=app.session_path(app.dir / "missing.exe"))
    app.start()
    choose(session, len(entries), 1)
    box, texts = error_box(session, app)
    assert (box["title"], texts) == ("Error", ["Command not found"])
    close_box(session, box)
    assert len(app.launches()) == 2 and app.alive()


def test_bookmark_dropped_from_the_list_while_the_menu_is_open_shows_an_error(session, app):
    entries = [("Windows", r"C:\windows"), ("Programs", r"C:\Program Files"), ("Fonts", r"C:\windows\Fonts")]
    store(session, app, entries)
    app.start()
    open_menu(session)
    # Another instance saves a shorter list while this menu is shown.
    session.reg_set(app.registry_key + r"\Path List", "Counter", 1)
    session.click_menu_item(layout(3), 2)

    box, texts = error_box(session, app)
    assert (box["title"], texts) == ("Error", ["Cannot find this name in the registry"])
    assert (int(box["pid"]), int(box["tid"])) == (app.pid, app.tid)
    # Owned by the hidden window, which the box disables while it is up.
    assert not hidden_enabled(session, app)
    session.screenshot("menu-error-117")
    close_box(session, box)
    assert hidden_enabled(session, app)
    assert app.launches() == []

    # Still running; the next menu shows the list as it is now.
    assert app.alive()
    choose(session, 1, 0)
    assert wait_launches(app, 1) == [(f'"{session.explorer}" /e,/n,C:\\windows', app.session_path(app.dir))]


def test_only_a_left_press_on_the_icon_opens_the_menu_and_quit_removes_the_icon(session, app):
    app.start()  # no bookmarks at all
    session.move(SCREEN_W // 2, SCREEN_H // 2)
    wait_until(lambda: len(session.tray_slot_colours(1)) > 1, what="the icon in the first slot")

    session.click_tray_icon(1, button=3)
    assert_no_menu_for(session)
    # Releases, double clicks, the right button, a selection, the context menu
    # and another icon's id, as the notification area reports them.
    for icon, mouse in [(TRAY_ICON_ID, WM_LBUTTONUP), (TRAY_ICON_ID, WM_LBUTTONDBLCLK),
                        (TRAY_ICON_ID, WM_RBUTTONDOWN), (TRAY_ICON_ID, NIN_SELECT),
                        (TRAY_ICON_ID, WM_CONTEXTMENU), (TRAY_ICON_ID + 1, WM_LBUTTONDOWN),
                        (TRAY_ICON_ID + 1, NIN_KEYSELECT)]:
        session.post(app.hwnd, WM_TRAYNOTIFY, icon, mouse)
        assert_no_menu_for(session, 0.5)
    session.post(app.hwnd, WM_TRAYNOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN)
    menu = session.wait_menu()
    # An empty list: the menu begins with the separator before Options.
    session.menu_item_point(menu, TAIL, 0)
    session.keys("Escape")
    session.wait_menu_closed()

    # Closed without a choice: the next click opens it again.
    session.click_tray_icon(1)
    session.click_menu_item(TAIL, QUIT)
    assert app.wait_exit(15) == 0
    assert not session.windows(cls="DummyClass", exe=app.exe.name)
    session.move(SCREEN_W // 2, SCREEN_H // 2)
    wait_until(lambda: len(session.tray_slot_colours(1)) == 1, what="the notification area without the icon")


def test_menu_ends_at_the_pointer_and_takes_the_keyboard_at_once(session, app):
    store(session, app, NATURAL_ENTRIES)
    app.start()

    def open_menu_at(x, y):
        session.click(x, y)
        menu = session.wait_menu()
        session.menu_item_point(menu, layout(len(NATURAL_ENTRIES)), 0)
        # The taskbar is at the bottom: the menu's right edge is at the pointer,
        # and a menu that does not fit below it ends at the work area's bottom.
        _, _, right, bottom = rect_of(menu)
        assert (right, bottom) == (x, session.work_area[3])
        # The program made its own window the foreground one, so keys reach the menu.
        assert session.probe_records("foreground")[0]["hwnd"] == app.hwnd

    # Two points of the icon: left of its middle, and right of it near its top.
    left, top, right, bottom = session.tray_slot(1)
    open_menu_at(left + (right - left) // 5, (top + bottom) // 2)
    session.keys("Escape")  # closes it without a choice
    session.wait_menu_closed()
    open_menu_at(right - (right - left) // 4, top + (bottom - top) // 5)
    session.keys("d")  # the access key of "&Documents"
    session.wait_menu_closed()
    # One launch: the Escape chose nothing.
    assert wait_launches(app, 1) == [(f'"{session.explorer}" /e,/n,C:\\users\\Public\\Documents',
                                      app.session_path(app.dir))]


def test_enter_on_the_icon_opens_the_menu_for_the_arrow_keys(session, app):
    """Enter on the icon, when the notification area has the keyboard, makes
    the shell send the key selection, twice for Enter. Wine's taskbar cannot
    be reached from the keyboard, so the test posts it as the shell does."""
    store(session, app, NATURAL_ENTRIES)
    app.start()
    session.move(SCREEN_W // 2, SCREEN_H // 2)
    for _ in range(2):  # the second finds the menu open and leaves it so
        session.post(app.hwnd, WM_TRAYNOTIFY, TRAY_ICON_ID, NIN_KEYSELECT)
    menu = session.wait_menu()
    session.menu_item_point(menu, layout(len(NATURAL_ENTRIES)), 0)
    assert int(menu["pid"]) == app.pid
    assert session.probe_records("foreground")[0]["hwnd"] == app.hwnd
    # The first bookmark is highlighted already: one Down reaches the second.
    session.keys("Down", "Return")
    session.wait_menu_closed()
    assert wait_launches(app, 1) == [(f'"{session.explorer}" /e,/n,C:\\users\\Public\\Music',
                                      app.session_path(app.dir))]


def test_menu_labels_follow_the_user_language(session, app):
    store(session, app, NATURAL_ENTRIES)
    widths = {}
    for language in ("en", "fr"):
        app.start(language=language)
        menu = open_menu(session)
        # Rest the pointer on the first bookmark, off the icon and its tooltip.
        session.move(*session.menu_item_point(menu, layout(len(NATURAL_ENTRIES)), 0))
        wait_until(lambda: not session.tooltip_texts(), what="the tooltip to go")
        save_menu_picture(session, menu, f"menu-{language}")
        left, _, right, _ = rect_of(menu)
        widths[language] = right - left
        session.keys("Escape")
        session.wait_menu_closed()
        assert not app.stop()  # it quit by its own command
    # Labels of another process's menu cannot be read here; "A propos de
    # Pathstow" is the widest label of the French menu, "Projects\Pathstow" of
    # the English one.
    assert widths["fr"] > widths["en"]


def test_a_thousand_bookmarks(session, app):
    store(session, app, [(f"Archive {k:04d}", f"C:\\Archive\\{k:04d}") for k in range(1, 1001)])
    assert session.reg_get(app.registry_key + r"\Path List", "PathName1000") == r"C:\Archive\1000"
    app.start()

    menu = open_menu(session, 30)  # 1000 entries read afresh take a few seconds
    # Taller than the screen: the menu fills the work area and scrolls.
    _, top, _, bottom = rect_of(menu)
    assert (top, bottom) == (session.work_area[1], session.work_area[3])
    session.keys(*["Down"] * 37, "Return")
    session.wait_menu_closed(30)
    own = app.session_path(app.dir)
    assert wait_launches(app, 1) == [(f'"{session.explorer}" /e,/n,C:\\Archive\\0037', own)]

    # From Quit upwards past About and Options to the last bookmark.
    open_menu(session, 30)
    session.keys("End", "Up", "Up", "Up", "Return")
    session.wait_menu_closed(30)
    assert wait_launches(app, 2)[1] == (f'"{session.explorer}" /e,/n,C:\\Archive\\1000', own)
