"""The program starts into the notification area and quits on command."""

from harness import ID_TRAY_QUIT, SCREEN_H, SCREEN_W, WM_COMMAND, wait_until


def test_icon_appears_and_quit_command_ends_the_program(session, app):
    hidden = app.start()
    assert hidden["title"] == "Dummy"
    assert hidden["visible"] == "0"
    # The icon and its tooltip, for whoever looks at the picture.
    session.move(SCREEN_W // 2, SCREEN_H // 2)
    session.move(*session.tray_icon_point(1))
    wait_until(lambda: "Pathstow" in session.tooltip_texts(), what="the icon's tooltip")
    session.screenshot("smoke-icon-tooltip")

    session.post(app.hwnd, WM_COMMAND, ID_TRAY_QUIT, 0)
    assert app.wait_exit(15) == 0
    assert not session.windows(cls="DummyClass", exe=app.exe.name)
