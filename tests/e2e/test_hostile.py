"""Strange registry data: wrong types, missing zeros, huge texts and counts,
odd characters. The program must start, open its menu and its Options
dialog, keep OK and Cancel working and never crash. How long the menu and
the dialog took is written to hostile-timings.txt among the artifacts."""

import time

import pytest

from harness import COMMAND, IDCANCEL, IDOK, OPTIONS_TITLE, PATH_LIST, RES, WM_COMMAND, OptionsWindow, RegData, \
    menu_layout


def raw(kind, data):
    """Raw bytes of any type: hex(1) REG_SZ, hex(2) REG_EXPAND_SZ, hex(7) REG_MULTI_SZ, hex REG_BINARY."""
    return RegData(f"{kind}:" + ",".join(f"{b:02x}" for b in data))


def import_values(session, app, sections):
    """Writes {section: {name: value}} (see reg_data) with regedit, which takes
    any type and any size, in the REGEDIT4 format of code page 1252."""
    session.reg_import({app.registry_key + section: values for section, values in sections.items()}, ansi=True)


def record_timing(session, case, what, seconds):
    with open(session.artifacts / "hostile-timings.txt", "a") as log:
        log.write(f"{case}\t{what}\t{seconds:.2f} s\n")


def open_menu(session, app, case):
    start = time.monotonic()
    menu = app.open_menu(timeout=600, again=False)
    record_timing(session, case, "menu", time.monotonic() - start)
    return menu


def no_error_box(session, app):
    return not [w for w in session.windows(cls="#32770", exe=app.exe.name, visible=True)
                if w.get("title") != OPTIONS_TITLE]


ONE_CLICK = {"timeout": 10, "again": False}  # one click: the menu opening is under test here
WINDOWS = {"Counter": 1, "Path1": "Windows", "PathName1": r"C:\windows"}
SMALL_CASES = {
    # "Counter" that is no number, or out of range: an empty list.
    "counter text": ({PATH_LIST: {"Counter": "3", "Path1": "A"}}, 0),
    "counter four-byte text": ({PATH_LIST: {"Counter": "123", "Path1": "A"}}, 0),
    "counter multi text": ({PATH_LIST: {"Counter": raw("hex(7)", b"2\0\0")}}, 0),
    "counter expandable": ({PATH_LIST: {"Counter": raw("hex(2)", b"2\0")}}, 0),
    "counter long binary": ({PATH_LIST: {"Counter": raw("hex", b"\x02\0\0\0\0\0\0\0")}}, 0),
    "counter zero": ({PATH_LIST: {"Counter": 0, "Path1": "A"}}, 0),
    "counter minus one": ({PATH_LIST: {"Counter": -1, "Path1": "A"}}, 0),
    # Entries of every type: names and paths that are no text read as empty.
    "entries of odd types": ({PATH_LIST: {
        "Counter": 6,
        "Path1": 65, "PathName1": r"C:\one",
        "Path2": raw("hex", b"AB\0CD"), "PathName2": r"C:\two",
        "Path3": raw("hex(7)", b"Multi\0Second\0\0"), "PathName3": raw("hex(7)", b"C:\\m\0\0"),
        "Path4": raw("hex(2)", b"%WINDIR%\0"), "PathName4": raw("hex(2)", b"%WINDIR%\0"),
        "Path5": raw("hex(1)", b"NoZero"), "PathName5": raw("hex(1)", b"C:\\nozero"),
        "Path6": "", "PathName6": "",
    }}, 6),
    "special characters": ({PATH_LIST: {
        "Counter": 4,
        "Path1": "R&D \"quoted\", a=b", "PathName1": r"C:\R&D, 2023",
        "Path2": raw("hex(1)", b"Tab\there\0"), "PathName2": raw("hex(1)", b"C:\\Caf\xe9 \xe0 la cr\xe8me\0"),
        "Path3": "Caf\xe9", "PathName3": "C:\\" + "\\".join(["long folder name"] * 20),
        "Path4": "&&&", "PathName4": "   ",
    }}, 4),
    "megabyte texts": ({PATH_LIST: {"Counter": 2, "Path1": "N" * (1 << 20), "PathName1": "P" * (1 << 20),
                                    "Path2": "Short", "PathName2": "Q" * (1 << 20)}}, 2),
    "settings of odd types": ({COMMAND: {"Tree": "0", "Command": 1}, PATH_LIST: WINDOWS}, 1),
    "settings megabyte command": ({COMMAND: {"Command": "C" * (1 << 20), "Tree": raw("hex", b"\0\0")},
                                   PATH_LIST: WINDOWS}, 1),
}


@pytest.mark.parametrize("case", SMALL_CASES)
def test_program_copes_with_strange_values(session, app, case):
    sections, items = SMALL_CASES[case]
    import_values(session, app, sections)
    app.start()

    menu = open_menu(session, app, case)
    assert int(menu["pid"]) == app.pid
    session.close_menu()

    # The Options dialog opens with as many bookmarks as the menu listed; Cancel writes nothing.
    before = session.reg_query(app.registry_key + PATH_LIST)
    start = time.monotonic()
    dialog = app.open_options(items, **ONE_CLICK)
    record_timing(session, case, "options", time.monotonic() - start)
    assert dialog.count() == items
    dialog.dismiss(IDCANCEL)
    assert session.reg_query(app.registry_key + PATH_LIST) == before

    # OK saves a list that reads back whole.
    app.open_options(items, **ONE_CLICK).dismiss(IDOK, 60)
    assert session.reg_get(app.registry_key + PATH_LIST, "Counter") == items
    assert app.alive() and no_error_box(session, app)

    open_menu(session, app, case + " after OK")
    session.keys("Escape")


def test_a_long_path_survives_the_options_dialog(session, app):
    long_path = "C:\\" + "x" * 40000
    import_values(session, app, {PATH_LIST: {"Counter": 1, "Path1": "Long", "PathName1": long_path}})
    app.start()
    # Shown in the path field, stored back from it on OK.
    app.open_options(1, **ONE_CLICK).close(IDOK, 30)
    assert session.reg_get(app.registry_key + PATH_LIST, "PathName1") == long_path


def test_damaged_counter_ends_at_the_highest_stored_entry(session, app):
    """A "Counter" far beyond the values the key holds is damaged: the menu
    and the Options dialog end at the highest entry that exists, the hole
    below it included, instead of tens of thousands of dead items."""
    import_values(session, app, {PATH_LIST: {
        "Counter": 2147483647, "Path1": "First", "PathName1": r"C:\windows",
        "Path3": "Third", "PathName3": r"C:\users"}})
    app.start()
    menu = open_menu(session, app, "counter 2147483647")
    session.menu_item_point(menu, menu_layout(3), 0)  # fails unless three bookmarks and the tail
    session.close_menu()
    start = time.monotonic()
    session.post(app.hwnd, WM_COMMAND, RES.ID_TRAY_OPTIONS)
    dialog = OptionsWindow(session, app.wait_dialog(OPTIONS_TITLE, 60))
    record_timing(session, "counter 2147483647", "options", time.monotonic() - start)
    assert dialog.count() == 3
    dialog.dismiss(IDCANCEL, 60)
    assert app.alive() and no_error_box(session, app)
