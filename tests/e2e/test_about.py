"""The About box from the tray menu: its texts in English and French, the two
links (colour, underline, fit, tooltip) and what a click on the web link does
with the shell, the ".htm" fallback and when both fail."""

import time

import pytest

from harness import IDOK, RES, centre, crop, project_version, rect_of, wait_until

LINK_RGB = (0, 0, 238)
VISITED_RGB = (85, 26, 139)
SS_NOTIFY = 0x0100
WEB = "http://www.example.org/pathstow/"
MAIL = "mailto:pathstow@example.org?Subject=Pathstow"
LINKS = ((RES.IDC_LINK_MAIL, MAIL), (RES.IDC_LINK_WEB, WEB))

HTTP_COMMAND = r"HKCR\http\shell\open\command"
HTM_KEY = r"HKCR\.htm"
HTM_CLASS = "PathstowTestPage"
HTM_COMMAND = rf"HKCR\{HTM_CLASS}\shell\open\command"


def pixels(png, rect):
    """{(x, y): (r, g, b)} of a screen rectangle (left, top, right, bottom) of a picture."""
    result = {}
    for line in crop(png, rect, "-depth", "8").splitlines()[1:]:
        where, _, rest = line.partition(":")
        x, y = map(int, where.split(","))
        r, g, b = (int(float(v)) for v in rest.split("(")[1].split(")")[0].split(",")[:3])
        result[(x + rect[0], y + rect[1])] = (r, g, b)
    return result


def check_link_look(png, link, colour):
    """The caption is drawn in `colour`, underlined over exactly the window's width."""
    rect = rect_of(link)
    seen = pixels(png, rect)
    coloured = [p for p, c in seen.items() if c == colour]
    assert len(coloured) > 20, f"link {link['text']!r} shows no {colour} pixels"
    # No trace of the other state's colour. (Edges of anti-aliased text drawn
    # over an earlier state without erasing may blend, so only pure colours count.)
    for other in (LINK_RGB, VISITED_RGB):
        if other != colour:
            assert other not in seen.values(), f"link {link['text']!r} still shows {other}"
    left, top, right, bottom = rect
    rows = {}
    for (x, y) in coloured:
        rows.setdefault(y, []).append(x)
    widest = max(rows.values(), key=len)
    # The underline: one unbroken row of link colour across the whole fitted window,
    # i.e. the window is as wide as the caption's text.
    assert sorted(widest) == list(range(left, right)), \
        f"underline of {link['text']!r} covers {min(widest)}..{max(widest)}, window {left}..{right - 1}"


@pytest.fixture
def associations(session):
    """Lets the test point the http protocol and ".htm" at chosen commands;
    puts Wine's own values back afterwards."""
    saved_http = session.reg_get(HTTP_COMMAND, "")
    saved_htm = session.reg_get(HTM_KEY, "")
    yield
    if saved_http is not None:
        session.reg_set(HTTP_COMMAND, "", saved_http)
    if saved_htm is not None:
        session.reg_set(HTM_KEY, "", saved_htm)
    else:
        session.reg_delete(HTM_KEY)
    session.reg_delete(rf"HKCR\{HTM_CLASS}")


@pytest.mark.parametrize("language", ["en", "fr"])
def test_about_shows_live_links_in_the_users_language(session, app, language):
    app.start(language=language)
    dialog = app.open_about(language)
    ids = dialog.ids
    statics = [c["text"] for c in session.controls(dialog.hwnd) if c["class"].lower() == "static"]
    assert statics[1:] == [f"Pathstow {project_version()}", *{
        "en": ["by Kelvane Software", "Freeware - all rights reserved"],
        "fr": ["par Kelvane Software", "Gratuiciel - droits r\u00e9serv\u00e9s"]}[language],
        "mail : pathstow@example.org", "web : " + WEB]
    for link_id, _ in LINKS:
        assert int(ids[link_id]["style"], 16) & SS_NOTIFY, "SS_NOTIFY added"

    session.move(5, 5)
    png = dialog.picture(f"about-{language}")  # the cropped picture is what docs/about-<language>.png shows
    for link_id, _ in LINKS:
        check_link_look(png, ids[link_id], LINK_RGB)

    # Resting on a link shows its target.
    for link_id, target in LINKS:
        session.move(*centre(rect_of(ids[link_id])))
        wait_until(lambda: target in session.tooltip_texts(), 15, what=f"tooltip {target}")
        session.move(5, 5)

    dialog.close(IDOK)


def move_away(session, link):
    """Moves the pointer off the link the way a hand does, in several steps
    over the dialog. (After a click the link still holds the capture, so the
    first move re-enters the hover state and the next one leaves it; under
    Wine a captured move over another program's window does not arrive.)"""
    left, top, right, bottom = rect_of(link)
    for dx, dy in ((-10, 10), (-5, 15), (-8, 20)):
        session.move(left + dx, bottom + dy)
        time.sleep(0.2)
    session.move(5, 5)


def test_web_link_opens_through_shell_then_fallback_then_reports(session, app, associations):
    recorder = app.session_path(session.paths["recorder"])
    session.reg_set(HTTP_COMMAND, "", f'"{recorder}" shell "%1"')
    app.start()
    dialog = app.open_about()
    web = dialog.ids[RES.IDC_LINK_WEB]

    # 1. The shell opens it.
    session.click_control(web)
    assert app.wait_launches(1)[-1][0] == f'"{recorder}" shell "{WEB}"'
    move_away(session, web)
    png = session.screenshot("about-web-followed")
    check_link_look(png, web, VISITED_RGB)

    # 2. The shell cannot: the ".htm" command runs, cut at its "%1", with the URL appended.
    session.reg_set(HTTP_COMMAND, "", r"C:\no\such\browser.exe %1")
    session.reg_set(HTM_KEY, "", HTM_CLASS)
    session.reg_set(HTM_COMMAND, "", f'"{recorder}" fallback "%1" -tail')
    session.click_control(web)
    wait_until(lambda: len(app.launches()) == 2, 15, what="the fallback launch")
    assert app.launches()[-1][0] == f'"{recorder}" fallback  {WEB}'

    # 3. Both fail: a box names WinExec's error; the link is no longer followed.
    session.reg_set(HTM_COMMAND, "", r'"C:\no\such\viewer.exe" "%1"')
    session.click_control(web)
    box, texts = app.message_box(app.name)
    assert "Unable to open hyperlink:\n\nThe specified file was not found." in texts
    session.screenshot("about-open-error")
    session.close_box(box)
    assert len(app.launches()) == 2
    # The failed click repaints the caption in the link colour, not the
    # hover colour that would all but hide it.
    png = session.screenshot("about-after-error")
    check_link_look(png, web, LINK_RGB)

    # 4. Opened again, both links start unfollowed.
    session.reg_set(HTTP_COMMAND, "", f'"{recorder}" shell "%1"')
    session.click_control(web)
    wait_until(lambda: len(app.launches()) == 3, 15, what="the shell's launch")
    dialog.dismiss(IDOK)
    ids = app.open_about().ids
    session.move(5, 5)
    png = session.screenshot("about-reopened")
    for link_id, _ in LINKS:
        check_link_look(png, ids[link_id], LINK_RGB)
