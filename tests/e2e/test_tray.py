"""The program's life in the notification area: start, icon, tooltip, the
first settings, and the ways it ends."""

import pytest

from harness import COMMAND, PATH_LIST, RES, TRAY_ICON_ID, WM_COMMAND, WM_QUIT, PathstowApp, wait_until

ICON_YELLOW = "#FFFF00"  # the folder of icon 128


def icons_shown(session):
    """How many notification-area slots, from the right, show our icon."""
    shot = session.screenshot("tray-slots")
    count = 0
    while count < 8 and ICON_YELLOW in session.tray_slot_colours(count + 1, shot):
        count += 1
    return count


def rest_pointer_on_icon(session, n=1):
    session.move_away()
    session.move(*session.tray_icon_point(n))


def test_icon_and_tooltip_appear_in_the_notification_area(session, app):
    hidden = app.start()
    assert (hidden["class"], hidden["title"], hidden["visible"]) == ("DummyClass", "Dummy", "0")
    wait_until(lambda: icons_shown(session) == 1, what="the icon in the notification area")

    rest_pointer_on_icon(session)
    wait_until(lambda: "Pathstow" in session.tooltip_texts(), what="the icon's tooltip")
    session.screenshot("tray-icon-tooltip")


def test_left_press_on_the_icon_reaches_the_hidden_window(session, app):
    app.start()
    session.click_tray_icon(1, button=3)  # the right button shows nothing
    session.probe("sleep", 500)
    assert not session.windows(cls="#32768", visible=True)

    session.click_tray_icon(1)
    menu = session.wait_menu()
    assert int(menu["pid"]) == app.pid  # tracked by the hidden window's thread
    session.close_menu()


def test_first_start_creates_the_settings_key_and_reads_defaults(session, app):
    assert session.reg_query(app.registry_key) is None
    app.start()
    # Reading the settings created the key chain, with no value written.
    wait_until(lambda: session.reg_query(app.registry_key + COMMAND) == {}, what="the empty Command section")
    assert session.reg_query(app.registry_key + PATH_LIST) is None  # the list is read on demand

    # The defaults at work: Explorer with its folder tree.
    app.store([("Windows", r"C:\windows")])
    app.choose(1, 0)
    wait_until(app.launches, what="the launch")
    assert app.launches() == [(f'"{session.explorer}" /e,/n,C:\\windows', app.session_path(app.dir))]


@pytest.mark.parametrize("how", ["quit command", "quit message"])
def test_program_ends_and_removes_its_icon(session, app, how):
    app.start()
    wait_until(lambda: icons_shown(session) == 1, what="the icon")
    if how == "quit command":
        session.post(app.hwnd, WM_COMMAND, RES.ID_TRAY_QUIT)
    else:
        session.probe("postthread", app.tid, WM_QUIT, 0, 0)
    assert app.wait_exit(15) == 0
    assert not session.windows(cls="DummyClass", exe=app.exe.name)
    assert icons_shown(session) == 0


def test_two_instances_show_two_icons_and_quit_one_by_one(session, app, tmp_path):
    other = PathstowApp(session, tmp_path / "other")
    app.start()
    try:
        other.start()
        wait_until(lambda: icons_shown(session) == 2, what="two icons")
        session.post(app.hwnd, WM_COMMAND, RES.ID_TRAY_QUIT)
        app.wait_exit(15)
        wait_until(lambda: icons_shown(session) == 1, what="one icon left")
        assert other.alive()
        session.click_tray_icon(1)  # the survivor still answers
        assert int(session.wait_menu()["pid"]) == other.pid
        session.keys("Escape")
    finally:
        other.stop()
        session.reg_delete(other.registry_key)


def test_taskbar_restart_brings_the_icon_back_once(session, app):
    app.start()
    wait_until(lambda: icons_shown(session) == 1, what="the icon")
    # The icon is still there: the message must not add a second one, nor show a box.
    session.probe("broadcast", "TaskbarCreated")
    session.probe("sleep", 500)
    assert icons_shown(session) == 1
    assert not session.windows(cls="#32770", exe=app.exe.name)

    # A restarted shell has lost every icon; the message brings ours back.
    session.probe("untray", app.hwnd, TRAY_ICON_ID)
    wait_until(lambda: icons_shown(session) == 0, what="the icon to go")
    session.probe("broadcast", "TaskbarCreated")
    wait_until(lambda: icons_shown(session) == 1, what="the icon to come back")
    rest_pointer_on_icon(session)
    wait_until(lambda: "Pathstow" in session.tooltip_texts(), what="the tooltip")
    session.click_tray_icon(1)
    session.wait_menu()
    session.keys("Escape")
