"""The program under pressure: hundreds of menus and dialogs without a
growing handle, GDI object or window count; a burst of clicks on the icon;
commands chosen from a menu opened while a dialog is up (bookmark, About, a
second Options, Quit); two instances of one program file saving different
lists one after the other."""

import time

import pytest

from harness import ABOUT_ITEM, ABOUT_TITLES, IDCANCEL, IDOK, OPTIONS_ITEM, OPTIONS_TITLE, PATH_LIST, QUIT_ITEM, \
    SCREEN_H, SCREEN_W, DialogWindow, OptionsWindow, PathstowApp, holds, process_resources, repeat_steps, \
    wait_until

ABOUT_TITLE = ABOUT_TITLES["en"]
BOOKMARKS = [("Alpha", r"C:\a"), ("Bravo", r"C:\b"), ("Charlie", r"C:\c")]
ONE_CLICK = {"timeout": 10, "again": False}  # one click: the menu opening is under test here


def start(app, slot=1):
    """Starts the program and waits for its icon: a click before it shows
    falls on an empty notification area."""
    app.start()
    wait_until(lambda: app.session.icon_shown(slot), what=f"the icon in slot {slot}")


def wait_dialogs(session, app, title, count):
    def dialogs():
        return session.windows(cls="#32770", title=title, pid=app.pid, visible=True)
    return wait_until(lambda: len(dialogs()) == count or None, 15, what=f"{count} {title!r} dialogs") and dialogs()


def gdi_types(counts):
    """{GDI type: count} from the probe's "type:count,..." list."""
    return {kind: int(n) for kind, n in (pair.split(":") for pair in counts["gdi_types"].split(",") if pair)}


# -- 1. No leaks ---------------------------------------------------------------

def test_hundreds_of_menus_and_dialogs_leave_no_handles_behind(session, app):
    app.store(BOOKMARKS)
    start(app)
    left, _, right, _ = session.tray_slot(1)
    x, y = session.tray_icon_point(1)
    dx = (right - left) // 4
    # Keyboard in the menu: End is Quit, Up goes to About, twice more past
    # the separator to Options. Two clicks apart per round: a second click on
    # the same spot within the double-click time is a double click, which
    # opens nothing. A dialog that does not open fails the round.
    menu_round = [f"click:{x - dx},{y}", "open:#32768", "key:Escape", "gone:#32768",
                  f"click:{x + dx},{y}", "open:#32768", "key:Escape", "gone:#32768"]

    def dialog_round(keys, title, close_key):
        steps = []
        for at in (x - dx, x + dx):
            steps += [f"click:{at},{y}", "open:#32768", *[f"key:{k}" for k in keys],
                      f"front:#32770/{title}", f"key:{close_key}", f"gone:#32770/{title}"]
        return steps

    options_keys, about_keys = ["End", "Up", "Up", "Return"], ["End", "Up", "Return"]

    # Warm-up: the first menu, dialog and About box load what stays loaded
    # (fonts, cursors, the common controls' classes, cached device contexts).
    repeat_steps(session, 1, app.pid, *menu_round)
    repeat_steps(session, 1, app.pid, *dialog_round(options_keys, OPTIONS_TITLE, "Escape"))
    repeat_steps(session, 1, app.pid, *dialog_round(options_keys, OPTIONS_TITLE, "Return"))
    repeat_steps(session, 1, app.pid, *dialog_round(about_keys, ABOUT_TITLE, "Return"))

    counts = [("warm-up", process_resources(session, app.pid))]
    repeat_steps(session, 100, app.pid, *menu_round)
    counts.append(("200 menus", process_resources(session, app.pid)))
    for what, keys, title, close in [("20 Options cancelled", options_keys, OPTIONS_TITLE, "Escape"),
                                     ("20 Options confirmed", options_keys, OPTIONS_TITLE, "Return"),
                                     ("20 About boxes", about_keys, ABOUT_TITLE, "Return")]:
        repeat_steps(session, 10, app.pid, *dialog_round(keys, title, close))
        counts.append((what, process_resources(session, app.pid)))

    report = "\n".join(f"{what:22} {c}" for what, c in counts)
    (session.artifacts / "stress-counts.txt").write_text(report + "\n")
    print(report)
    # Saving with OK kept the list as it was.
    assert session.reg_get(app.registry_key + PATH_LIST, "Counter") == len(BOOKMARKS)
    # Counts that cannot be read (-1) would compare equal and hide a leak.
    assert all(c[key] >= 0 for _, c in counts for key in ("handles", "gdi", "windows")), report
    base = counts[0][1]
    base_types = gdi_types(base)
    for what, c in counts[1:]:
        # Kernel handles, windows, fonts and palettes come back exactly.
        for key in ("handles", "windows"):
            assert c[key] == base[key], f"{key}: {base[key]} -> {c[key]} after {what}\n{report}"
        types = gdi_types(c)
        for kind in ("08", "0a"):
            assert types.get(kind, 0) == base_types.get(kind, 0), f"GDI type {kind} after {what}\n{report}"
        # Device contexts (each with its region and surface: types 01, 04,
        # 05) and brushes (10) are where Wine keeps caches: a window's DC
        # comes from a cache that grows to the most DCs in use at one moment
        # (windows painted together, more of them on a busy machine), and a
        # brush per system colour is made the first time it is asked for.
        # Measured over many runs: 0 to 8 more DCs and 0 to 2 more brushes,
        # in one step at some point of the first 40 dialogs, flat for all the
        # dialogs after it. On a loaded machine the cache grew by 4 DCs at a
        # time and a bitmap (09) came with some of those steps, in dialogs
        # whose own code makes no bitmap. A leak of one per dialog is 20 per
        # phase; 10 is the bound.
        for kind in ("01", "04", "05", "09", "10"):
            grown = types.get(kind, 0) - base_types.get(kind, 0)
            assert grown < 10, f"GDI type {kind} grew by {grown} after {what}\n{report}"
    assert counts[1][1] == base, f"the menus left something behind\n{report}"


# -- 2. A burst of clicks --------------------------------------------------------

@pytest.fixture
def fresh_shell_after(session):
    """The shell that served a burst now and then ends seconds later (see
    shell_gone below), under the next test: that one gets a fresh shell."""
    yield
    session.restart_desktop()


def test_burst_of_clicks_on_the_icon_leaves_the_program_responsive(session, app, fresh_shell_after):
    # A fresh shell: the one before served the hundreds of menus above.
    session.restart_desktop()
    app.store(BOOKMARKS)
    start(app)
    shell = [w["pid"] for w in session.windows(cls="Shell_TrayWnd", visible=True)]
    x, y = session.tray_icon_point(1)
    session.click(x, y, count=50, delay_ms=1)
    # The burst opened and closed menus, some clicks arriving as double
    # clicks. Let it settle: a menu may be left open, waiting for the user.
    previous = None

    def settled():
        nonlocal previous
        state = (bool(session.windows(cls="#32768", visible=True)), app.alive())
        same, previous = state == previous, state
        return same

    def shell_gone():
        # Open problem: now and then Wine's own shell (the explorer process
        # with the taskbar) ends cleanly a second or two after such a burst,
        # taking the notification area with it, while the program runs on.
        # Not understood yet; without a taskbar there is no icon to click.
        if [w["pid"] for w in session.windows(cls="Shell_TrayWnd", visible=True)] != shell:
            pytest.xfail("Wine's taskbar ended after the burst (program alive, no box)")

    try:
        wait_until(settled, 15, interval=0.5, what="the burst to settle")
        assert app.alive()
        assert not session.windows(cls="#32770", pid=app.pid, visible=True), "a box or dialog is up"
        if session.windows(cls="#32768", visible=True):
            session.click(SCREEN_W // 2, SCREEN_H // 2)  # a click elsewhere closes it
            session.wait_menu_closed()
        shell_gone()
        app.choose(len(BOOKMARKS), 1, **ONE_CLICK)
    except AssertionError:
        shell_gone()
        raise
    wait_until(app.launches, 15, what="the launch")
    time.sleep(0.5)  # a second launch would follow at once
    assert [cmdline for cmdline, _ in app.launches()] == [f'"{session.explorer}" /e,/n,C:\\b']
    assert not session.windows(cls="#32770", pid=app.pid, visible=True)
    assert len(session.windows(cls="DummyClass", pid=app.pid)) == 1


# -- 3. Commands nested inside an open dialog ---------------------------------------

def test_commands_chosen_while_the_options_dialog_is_open(session, app):
    app.store(BOOKMARKS)
    start(app)
    n = len(BOOKMARKS)
    app.choose(n, n + OPTIONS_ITEM, **ONE_CLICK)
    options = OptionsWindow(session, wait_dialogs(session, app, OPTIONS_TITLE, 1)[0])
    session.screenshot("stress-nested-options")

    # (a) A bookmark: it opens; the dialog stays.
    app.choose(n, 2, **ONE_CLICK)
    assert [cmdline for cmdline, _ in app.wait_launches(1)] == [f'"{session.explorer}" /e,/n,C:\\c']
    assert options.shown()

    # (b) About opens next to the dialog; closing it leaves the dialog usable.
    app.choose(n, n + ABOUT_ITEM, **ONE_CLICK)
    about = DialogWindow(session, wait_dialogs(session, app, ABOUT_TITLE, 1)[0])
    assert options.shown()
    session.screenshot("stress-nested-about")
    about.close(IDOK)
    wait_until(options.enabled, 10, what="the Options dialog enabled")
    options.add("Delta", r"C:\d")

    # (c) A second Options dialog; both close, the inner one first.
    app.choose(n, n + OPTIONS_ITEM, **ONE_CLICK)
    both = wait_dialogs(session, app, OPTIONS_TITLE, 2)
    inner = OptionsWindow(session, next(d for d in both if d["hwnd"] != options.hwnd))
    assert inner.count() == n  # the list as stored: the outer dialog saved nothing yet
    session.screenshot("stress-nested-two-options")
    inner.close(IDCANCEL)
    assert options.shown()
    wait_until(options.enabled, 10, what="the Options dialog enabled")
    assert options.count() == n + 1

    # (d) Quit: the program goes on while the dialog is open ...
    app.choose(n, n + QUIT_ITEM, **ONE_CLICK)
    assert holds(app.alive, 2.0), "the program ended under the open dialog"
    assert options.shown() and session.icon_shown()
    # ... and ends, icon and all, when it closes.
    options.close(IDCANCEL)
    assert app.wait_exit(15) == 0
    session.move_away()
    wait_until(lambda: not session.icon_shown(), what="the icon to go")
    # Cancel saved nothing.
    assert session.reg_get(app.registry_key + PATH_LIST, "Counter") == n


# -- 4. Two instances of one program file ------------------------------------------

def test_two_instances_saving_one_after_the_other_leave_the_last_list_whole(session, tmp_path):
    name = f"PathstowTwin{int(time.monotonic() * 1000) % 100000}"
    first = PathstowApp(session, tmp_path / "a", name=name)
    second = PathstowApp(session, tmp_path / "b", name=name)
    assert first.registry_key == second.registry_key
    try:
        first.store(BOOKMARKS)
        start(first, 1)
        start(second, 2)  # the same file name: start() tells the second by its new window
        n = len(BOOKMARKS)

        # Both dialogs load the stored list before either saves. The second
        # instance's opens first, so the first's lies on top of it.
        second.choose(n, n + OPTIONS_ITEM, slot=2, **ONE_CLICK)
        dialog_b = OptionsWindow(session, wait_dialogs(session, second, OPTIONS_TITLE, 1)[0])
        first.choose(n, n + OPTIONS_ITEM, slot=1, **ONE_CLICK)
        dialog_a = OptionsWindow(session, wait_dialogs(session, first, OPTIONS_TITLE, 1)[0])

        # X: five bookmarks, saved by the first instance.
        dialog_a.add("Delta", r"C:\d")
        dialog_a.add("Echo", r"C:\e")
        dialog_a.close(IDOK)
        key = first.registry_key + PATH_LIST
        assert session.reg_get(key, "Counter") == 5
        assert session.reg_get(key, "PathName5") == r"C:\e"

        # Y: two bookmarks, saved by the second instance from what it loaded.
        session.set_foreground(dialog_b.hwnd)
        dialog_b.delete(1)              # Bravo
        dialog_b.rename(0, "Zulu")      # Alpha, sorted after Charlie now
        dialog_b.close(IDOK)

        values = session.reg_query(key)
        assert values == {
            "Counter": ("REG_DWORD", "0x2"),
            "Path1": ("REG_SZ", "Charlie"), "PathName1": ("REG_SZ", r"C:\c"),
            "Path2": ("REG_SZ", "Zulu"), "PathName2": ("REG_SZ", r"C:\a"),
        }, f"registry after the second save: {values}"

        # The first instance's menu shows the list now stored.
        first.choose(2, 1, slot=1, **ONE_CLICK)
        assert [cmdline for cmdline, _ in first.wait_launches(1)] == [f'"{session.explorer}" /e,/n,C:\\a']
    finally:
        killed = [a.stop() for a in (first, second)]
        if any(killed):
            session.restart_desktop()
        session.reg_delete(first.registry_key)
