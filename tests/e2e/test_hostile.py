"""Strange registry data: wrong types, missing zeros, huge texts and counts,
odd characters. The program must start, open its menu and its Options
dialog, keep OK and Cancel working and never crash. How long the menu and
the dialog took is written to hostile-timings.txt among the artifacts."""

import time

import pytest

from harness import ID_TRAY_OPTIONS, WM_COMMAND
from test_options import IDCANCEL, IDOK, Options

PATH_LIST = r"\Path List"
COMMAND = r"\Command"


def text(s):
    """A REG_SZ in a .reg file: quotes and backslashes escaped."""
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


def raw(kind, data):
    """Raw bytes of any type: hex(1) REG_SZ, hex(2) REG_EXPAND_SZ, hex(7) REG_MULTI_SZ, hex REG_BINARY."""
    return f"{kind}:" + ",".join(f"{b:02x}" for b in data)


def dword(n):
    return f"dword:{n & 0xFFFFFFFF:08x}"


def import_values(session, app, tmp_path, sections):
    """Writes {section: {name: .reg data}} with regedit, which takes any type and any size."""
    lines = ["REGEDIT4", ""]
    for section, values in sections.items():
        lines.append(f"[{app.registry_key.replace('HKCU', 'HKEY_CURRENT_USER')}{section}]")
        lines += [f'"{name}"={data}' for name, data in values.items()]
        lines.append("")
    reg = tmp_path / "hostile.reg"
    reg.write_bytes("\r\n".join(lines).encode("cp1252"))
    session.run("regedit", "/S", app.session_path(reg))


def record_timing(session, case, what, seconds):
    with open(session.artifacts / "hostile-timings.txt", "a") as log:
        log.write(f"{case}\t{what}\t{seconds:.2f} s\n")


def open_menu(session, app, case):
    start = time.monotonic()
    session.click_tray_icon(1)
    menu = session.wait_menu(timeout=600)
    record_timing(session, case, "menu", time.monotonic() - start)
    return menu


def no_error_box(session, app):
    return not [w for w in session.windows(cls="#32770", exe=app.exe.name, visible=True)
                if w.get("title") != "Pathstow"]


SMALL_CASES = {
    # "Counter" that is no number, or out of range: an empty list.
    "counter text": ({PATH_LIST: {"Counter": text("3"), "Path1": text("A")}}, 0),
    "counter four-byte text": ({PATH_LIST: {"Counter": text("123"), "Path1": text("A")}}, 0),
    "counter multi text": ({PATH_LIST: {"Counter": raw("hex(7)", b"2\0\0")}}, 0),
    "counter expandable": ({PATH_LIST: {"Counter": raw("hex(2)", b"2\0")}}, 0),
    "counter long binary": ({PATH_LIST: {"Counter": raw("hex", b"\x02\0\0\0\0\0\0\0")}}, 0),
    "counter zero": ({PATH_LIST: {"Counter": dword(0), "Path1": text("A")}}, 0),
    "counter minus one": ({PATH_LIST: {"Counter": dword(-1), "Path1": text("A")}}, 0),
    # Entries of every type: names and paths that are no text read as empty.
    "entries of odd types": ({PATH_LIST: {
        "Counter": dword(6),
        "Path1": dword(65), "PathName1": text(r"C:\one"),
        "Path2": raw("hex", b"AB\0CD"), "PathName2": text(r"C:\two"),
        "Path3": raw("hex(7)", b"Multi\0Second\0\0"), "PathName3": raw("hex(7)", b"C:\\m\0\0"),
        "Path4": raw("hex(2)", b"%WINDIR%\0"), "PathName4": raw("hex(2)", b"%WINDIR%\0"),
        "Path5": raw("hex(1)", b"NoZero"), "PathName5": raw("hex(1)", b"C:\\nozero"),
        "Path6": text(""), "PathName6": text(""),
    }}, 6),
    "special characters": ({PATH_LIST: {
        "Counter": dword(4),
        "Path1": text("R&D \"quoted\", a=b"), "PathName1": text(r"C:\R&D, 2023"),
        "Path2": raw("hex(1)", b"Tab\there\0"), "PathName2": raw("hex(1)", b"C:\\Caf\xe9 \xe0 la cr\xe8me\0"),
        "Path3": text("Caf\xe9"), "PathName3": text("C:\\" + "\\".join(["long folder name"] * 20)),
        "Path4": text("&&&"), "PathName4": text("   "),
    }}, 4),
    "megabyte texts": ({PATH_LIST: {
        "Counter": dword(2),
        "Path1": text("N" * (1 << 20)), "PathName1": text("P" * (1 << 20)),
        "Path2": text("Short"), "PathName2": text("Q" * (1 << 20)),
    }}, 2),
    "settings of odd types": ({COMMAND: {"Tree": text("0"), "Command": dword(1)},
                               PATH_LIST: {"Counter": dword(1), "Path1": text("Windows"),
                                           "PathName1": text(r"C:\windows")}}, 1),
    "settings megabyte command": ({COMMAND: {"Command": text("C" * (1 << 20)), "Tree": raw("hex", b"\0\0")},
                                   PATH_LIST: {"Counter": dword(1), "Path1": text("Windows"),
                                               "PathName1": text(r"C:\windows")}}, 1),
}


@pytest.mark.parametrize("case", SMALL_CASES)
def test_program_copes_with_strange_values(session, app, tmp_path, case):
    sections, items = SMALL_CASES[case]
    import_values(session, app, tmp_path, sections)
    app.start()

    menu = open_menu(session, app, case)
    assert int(menu["pid"]) == app.pid
    session.keys("Escape")
    session.wait_menu_closed()

    # The Options dialog opens with as many bookmarks as the menu listed; Cancel writes nothing.
    before = session.reg_query(app.registry_key + PATH_LIST)
    start = time.monotonic()
    dialog = Options(session, app, items)
    record_timing(session, case, "options", time.monotonic() - start)
    assert dialog.count() == items
    session.post(dialog.hwnd, WM_COMMAND, IDCANCEL, 0)
    session.wait_no_window(15, cls="#32770", title="Pathstow", exe=app.exe.name)
    assert session.reg_query(app.registry_key + PATH_LIST) == before

    # OK saves a list that reads back whole.
    dialog = Options(session, app, items)
    session.post(dialog.hwnd, WM_COMMAND, IDOK, 0)
    session.wait_no_window(60, cls="#32770", title="Pathstow", exe=app.exe.name)
    assert session.reg_get(app.registry_key + PATH_LIST, "Counter") == items
    assert app.alive() and no_error_box(session, app)

    open_menu(session, app, case + " after OK")
    session.keys("Escape")


def test_a_long_path_survives_the_options_dialog(session, app, tmp_path):
    long_path = "C:\\" + "x" * 40000
    import_values(session, app, tmp_path, {PATH_LIST: {
        "Counter": dword(1), "Path1": text("Long"), "PathName1": text(long_path)}})
    app.start()
    # Shown in the path field, stored back from it on OK.
    dialog = Options(session, app, 1)
    dialog.click(IDOK)
    session.wait_no_window(30, cls="#32770", title="Pathstow", exe=app.exe.name)
    assert session.reg_get(app.registry_key + PATH_LIST, "PathName1") == long_path


def test_damaged_counter_ends_at_the_highest_stored_entry(session, app, tmp_path):
    """A "Counter" far beyond the values the key holds is damaged: the menu
    and the Options dialog end at the highest entry that exists, the hole
    below it included, instead of tens of thousands of dead items."""
    import_values(session, app, tmp_path, {PATH_LIST: {
        "Counter": dword(2147483647), "Path1": text("First"), "PathName1": text(r"C:\windows"),
        "Path3": text("Third"), "PathName3": text(r"C:\users")}})
    app.start()
    menu = open_menu(session, app, "counter 2147483647")
    session.menu_item_point(menu, "iiisisii", 0)  # fails unless three bookmarks and the tail
    session.keys("Escape")
    session.wait_menu_closed()
    start = time.monotonic()
    session.post(app.hwnd, WM_COMMAND, ID_TRAY_OPTIONS, 0)
    window = session.wait_window(60, cls="#32770", title="Pathstow", exe=app.exe.name, visible=True)
    record_timing(session, "counter 2147483647", "options", time.monotonic() - start)
    tree = next(c for c in session.controls(window["hwnd"]) if c["id"] == "1000")
    assert session.send(tree["hwnd"], 0x1105) == 3  # TVM_GETCOUNT
    session.post(window["hwnd"], WM_COMMAND, IDCANCEL, 0)
    session.wait_no_window(60, cls="#32770", title="Pathstow", exe=app.exe.name)
    assert app.alive() and no_error_box(session, app)
