"""The About box from the tray menu: its texts in English and French, the two
links (colour, underline, fit, tooltip) and what a click on the web link does
with the shell, the ".htm" fallback and when both fail."""

import time
import subprocess

import pytest

from harness import WM_COMMAND, project_version, rect_of, wait_until

LINK_RGB = (0, 0, 238)
VISITED_RGB = (85, 26, 139)
IDC_LINK_MAIL, IDC_LINK_WEB, IDOK = 1019, 1020, 1
WEB = "http://www.example.org/pathstow/"
MAIL = "mailto:pathstow@example.org?Subject=Pathstow"
TITLES = {"en": "About Pathstow", "fr": "A propos de Pathstow"}
# Tray menu without bookmarks: separator, Options, separator, About, Quit.
MENU_LAYOUT, ABOUT_ITEM = "sisii", 3

HTTP_COMMAND = r"HKCR\http\shell\open\command"
HTM_KEY = r"HKCR\.htm"
HTM_CLASS = "PathstowTestPage"
HTM_COMMAND = rf"HKCR\{HTM_CLASS}\shell\open\command"


def open_about(session, app, language):
    session.click_tray_icon(1)
    session.click_menu_item(MENU_LAYOUT, ABOUT_ITEM)
    dialog = session.wait_window(15, cls="#32770", title=TITLES[language], exe=app.exe.name,
                                 visible=True)
    wait_until(lambda: all(c["visible"] == "1" for c in session.controls(dialog["hwnd"])),
               what="the About controls")
    return dialog


def controls_by_id(session, dialog):
    return {int(c["id"]): c for c in session.controls(dialog["hwnd"])}


def centre(record):
    left, top, right, bottom = rect_of(record)
    return (left + right) // 2, (top + bottom) // 2


def pixels(png, rect):
    """{(x, y): (r, g, b)} of a screen rectangle (left, top, right, bottom) of a picture."""
    left, top, right, bottom = rect
    out = subprocess.run(["convert", str(png), "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                          "+repage", "-depth", "8", "txt:-"], capture_output=True, text=True,
                         check=True).stdout
    result = {}
    for line in out.splitlines()[1:]:
        where, _, rest = line.partition(":")
        x, y = map(int, where.split(","))
        r, g, b = (int(float(v)) for v in rest.split("(")[1].split(")")[0].split(",")[:3])
        result[(x + left, y + top)] = (r, g, b)
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


def shot_dialog(session, dialog, name):
    png = session.screenshot(name)
    left, top, right, bottom = rect_of(dialog)
    crop = png.with_name(f"{name}-dialog.png")
    subprocess.run(["convert", str(png), "-crop", f"{right - left + 8}x{bottom - top + 8}+{left - 4}+{top - 4}",
                    "+repage", str(crop)], check=True)
    return png, crop


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
    dialog = open_about(session, app, language)
    ids = controls_by_id(session, dialog)
    statics = [c["text"] for c in session.controls(dialog["hwnd"]) if c["class"].lower() == "static"]
    if language == "en":
        assert statics[1:] == [f"Pathstow {project_version()}", "by Kelvane Software", "Freeware - all rights reserved",
                               "mail : pathstow@example.org", "web : " + WEB]
    else:
        assert statics[1:] == [f"Pathstow {project_version()}", "par Kelvane Software",
                               "Gratuiciel - droits r\u00e9serv\u00e9s",
                               "mail : pathstow@example.org", "web : " + WEB]
    for link_id in (IDC_LINK_MAIL, IDC_LINK_WEB):
        assert int(ids[link_id]["style"], 16) & 0x0100, "SS_NOTIFY added"

    session.move(5, 5)
    png, crop = shot_dialog(session, dialog, f"about-{language}")
    for link_id in (IDC_LINK_MAIL, IDC_LINK_WEB):
        check_link_look(png, ids[link_id], LINK_RGB)
    # The cropped picture is what docs/about-<language>.png shows.

    # Resting on a link shows its target.
    for link_id, target in ((IDC_LINK_MAIL, MAIL), (IDC_LINK_WEB, WEB)):
        left, top, right, bottom = rect_of(ids[link_id])
        session.move((left + right) // 2, (top + bottom) // 2)
        wait_until(lambda: target in session.tooltip_texts(), 15, what=f"tooltip {target}")
        session.move(5, 5)

    ok = rect_of(ids[IDOK])
    session.click((ok[0] + ok[2]) // 2, (ok[1] + ok[3]) // 2)
    session.wait_no_window(15, cls="#32770", title=TITLES[language], exe=app.exe.name)


def click_link(session, link):
    left, top, right, bottom = rect_of(link)
    session.click((left + right) // 2, (top + bottom) // 2)


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
    dialog = open_about(session, app, "en")
    web = controls_by_id(session, dialog)[IDC_LINK_WEB]

    # 1. The shell opens it.
    click_link(session, web)
    wait_until(lambda: app.launches(), 15, what="the shell's launch")
    assert app.launches()[-1]["cmdline"] == f'"{recorder}" shell "{WEB}"'
    move_away(session, web)
    png = session.screenshot("about-web-followed")
    check_link_look(png, web, VISITED_RGB)

    # 2. The shell cannot: the ".htm" command runs, cut at its "%1", with the URL appended.
    session.reg_set(HTTP_COMMAND, "", r"C:\no\such\browser.exe %1")
    session.reg_set(HTM_KEY, "", HTM_CLASS)
    session.reg_set(HTM_COMMAND, "", f'"{recorder}" fallback "%1" -tail')
    click_link(session, web)
    wait_until(lambda: len(app.launches()) == 2, 15, what="the fallback launch")
    assert app.launches()[-1]["cmdline"] == f'"{recorder}" fallback  {WEB}'

    # 3. Both fail: a box names WinExec's error; the link is no longer followed.
    session.reg_set(HTM_COMMAND, "", r'"C:\no\such\viewer.exe" "%1"')
    click_link(session, web)
    box = session.wait_window(15, cls="#32770", title=app.name, exe=app.exe.name, visible=True)
    texts = [c["text"] for c in session.controls(box["hwnd"])]
    assert "Unable to open hyperlink:\n\nThe specified file was not found." in texts
    session.screenshot("about-open-error")
    ok = next(c for c in session.controls(box["hwnd"]) if c["class"].lower() == "button")
    session.click(*centre(ok))
    session.wait_no_window(15, cls="#32770", title=app.name, exe=app.exe.name)
    assert len(app.launches()) == 2
    # The failed click repaints the caption in the link colour, not the
    # hover colour that would all but hide it.
    png = session.screenshot("about-after-error")
    check_link_look(png, web, LINK_RGB)

    # 4. Opened again, both links start unfollowed.
    session.reg_set(HTTP_COMMAND, "", f'"{recorder}" shell "%1"')
    click_link(session, web)
    wait_until(lambda: len(app.launches()) == 3, 15, what="the shell's launch")
    session.post(dialog["hwnd"], WM_COMMAND, IDOK, 0)
    session.wait_no_window(15, cls="#32770", title=TITLES["en"], exe=app.exe.name)
    dialog = open_about(session, app, "en")
    ids = controls_by_id(session, dialog)
    session.move(5, 5)
    png = session.screenshot("about-reopened")
    check_link_look(png, ids[IDC_LINK_WEB], LINK_RGB)
    check_link_look(png, ids[IDC_LINK_MAIL], LINK_RGB)
