"""At 150 % (144 DPI, a session with a prefix of its own): the tray menu,
Options and About, in English and French, show every text whole (as they do
at 96 DPI), keep the arrangement the same dialogs have at 96 DPI in the usual
session, and are larger by about the scale. Their pictures go among the
artifacts with "-150" in their names, cropped as docs/<name>-150.png shows
them."""

import pytest

from harness import FIVE, HIGH_DPI, IDCANCEL, NATURAL_ENTRIES, RES, menu_layout, rect_of, wait_until

LINKS = {RES.IDC_LINK_MAIL, RES.IDC_LINK_WEB}  # the About box's links, which size themselves to their text
# Fonts are hinted for each size, so texts (and the dialog units they make)
# do not grow exactly by the scale; menus have frames that do not grow at all.
DIALOG_TOLERANCE, MENU_TOLERANCE = 0.10, 0.15
# Dialog units land on whole pixels: edges at the same unit may come a pixel
# apart, and edges that meet may cross by one.
TOUCH = 2


# Opened from the menu of a program that has the five bookmarks.
DIALOGS = {"options": lambda app, language: app.open_options(len(FIVE)),
           "about": lambda app, language: app.open_about(language, len(FIVE))}


def size(rect):
    left, top, right, bottom = rect
    return right - left, bottom - top


def assert_scaled(small, large, scale, tolerance, what):
    for a, b in zip(small, large):
        assert abs(b / a / scale - 1) <= tolerance, f"{what}: {small} became {large}, not x{scale}"


def clipped(session, hwnd, controls):
    """The texts their controls do not show whole, with the control's size
    and the size the text needs. A link must be exactly as large as its text."""
    texts = {c["hwnd"]: c["text"] for c in controls}
    wrong = []
    for record in session.probe_records("textfit", hwnd):
        has, needs = size(rect_of(record)), tuple(int(v) for v in record["need"].split(","))
        fits = has == needs if int(record["id"]) in LINKS else has[0] >= needs[0] and has[1] >= needs[1]
        if not fits:
            wrong.append(f"{texts[record['hwnd']]!r}: {has} for {needs}")
    return wrong


def arrangement(controls):
    """For each ordered pair of controls: where the second starts from the
    first across and down (-1 before, 0 level with, 1 after it), whether
    they overlap and whether the second lies within the first."""
    def order(a, b):
        return 0 if abs(b - a) <= TOUCH else -1 if b < a else 1

    def overlap(a0, a1, b0, b1):
        return min(a1, b1) - max(a0, b0) > TOUCH

    names = [f"{k} {c['class']} {c['text']!r}" for k, c in enumerate(controls)]
    rects = [rect_of(c) for c in controls]
    return {(names[i], names[j]): (order(a[0], b[0]), order(a[1], b[1]),
                                   overlap(a[0], a[2], b[0], b[2]) and overlap(a[1], a[3], b[1], b[3]),
                                   a[0] <= b[0] and a[1] <= b[1] and b[2] <= a[2] and b[3] <= a[3])
            for i, a in enumerate(rects) for j, b in enumerate(rects) if i != j}


def test_the_second_session_runs_at_150_percent(session, hidpi):
    assert (session.dpi, hidpi.dpi) == (96, HIGH_DPI)


@pytest.mark.parametrize("language", ["en", "fr"])
@pytest.mark.parametrize("name", DIALOGS)
def test_dialog_at_150_percent(session, app, hidpi, hidpi_app, name, language):
    seen = []
    for s, a in ((session, app), (hidpi, hidpi_app)):
        a.store(FIVE)
        a.start(language=language)
        dialog = DIALOGS[name](a, language)
        controls = s.controls(dialog.hwnd)
        assert clipped(s, dialog.hwnd, controls) == [], f"at {s.dpi} DPI"
        seen.append((dialog.info(), controls))
        if s is hidpi:
            s.move(5, 5)
            dialog.picture(f"{name}-{language}{s.tag}")
        dialog.dismiss(IDCANCEL)

    (small, small_controls), (large, large_controls) = seen
    assert arrangement(large_controls) == arrangement(small_controls)
    assert_scaled(tuple(map(int, small["client"].split(","))), tuple(map(int, large["client"].split(","))),
                  hidpi.dpi / session.dpi, DIALOG_TOLERANCE, f"{name} client area")


@pytest.mark.parametrize("language", ["en", "fr"])
def test_menu_at_150_percent(session, app, hidpi, hidpi_app, language):
    sizes = []
    for s, a in ((session, app), (hidpi, hidpi_app)):
        a.store(NATURAL_ENTRIES)
        a.start(language=language)
        menu = a.open_menu()
        # Fails unless its rows are as high as this session's menus have them.
        first = s.menu_item_point(menu, menu_layout(len(NATURAL_ENTRIES)), 0)
        sizes.append(size(rect_of(menu)))
        if s is hidpi:
            s.move(*first)  # off the icon and its tooltip, as the 96-DPI pictures
            wait_until(lambda: not s.tooltip_texts(), what="the tooltip to go")
            s.menu_picture(menu, f"menu-{language}{s.tag}")
        s.close_menu()
    assert_scaled(*sizes, hidpi.dpi / session.dpi, MENU_TOLERANCE, "menu")
