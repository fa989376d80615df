#!/usr/bin/env python3
"""Draws the three page pictures of the settings editor and writes them to data/.

    python3 tools/pictures/settings_pictures.py

Each page: the logo, a row of page tabs (row 11) over a grey panel (rows 12-21) that the
editor's fields sit on (rows 15-19), and the help line (row 24). The program draws the
close button (columns 74-78, rows 10-11), the fields and the help text itself.
"""
import os

from make_pictures import Canvas, WIDTH, draw_logo_blocks

GREY = 0x70          # black on light grey: the panel and the labels
LIGHT = 0x7F         # white edge of the panel and of the chosen tab
DARK = 0x78          # dark grey edge
HEAD = 0x74          # red on grey, like the boxes' titles

# (columns, inner text) of the three tabs; the mouse areas of the editor match them.
TABS = [(1, "Directories"), (15, "Macros"), (25, "   Startup   ")]

PAGES = {
    "settings-dirs.ans": (0, "Directories for downloads, uploads, capture logs, scripts and protocols",
                          [(3, "Directories")]),
    "settings-macros.ans": (1, "Macros sent with Ctrl+F1 to Ctrl+F10 while connected",
                            [(3, "Function Key Macros  F1 - F5"), (40, "F6 - F10")]),
    "settings-startup.ans": (2, "Start-up choices, defaults for new entries and status bar colours",
                             [(3, "Startup"), (45, "Status Bar Colors")]),
}


def panel(cv, active):
    """The grey panel of rows 12-21 in the boxes' half-block look, open under the chosen tab."""
    top, bottom = 12, 21
    for y in range(top, bottom + 1):
        cv.hline(2, WIDTH - 1, y, 32, GREY)
        cv.put(1, y, 219, 0x0F)
        cv.put(WIDTH, y, 219, 0x08)
    cv.hline(2, WIDTH - 1, top, 223, LIGHT)
    cv.put(WIDTH, top, 220, DARK)
    cv.hline(2, WIDTH - 1, bottom, 220, DARK)
    cv.put(1, bottom, 223, LIGHT)
    x1, text = TABS[active]
    x2 = x1 + len(text) + 1
    cv.hline(max(x1, 2), x2, top, 32, GREY)
    if x1 > 1:
        cv.put(x1, top, 221, LIGHT)
    cv.put(x2, top, 222, DARK)


def tabs(cv, active):
    for i, (x, text) in enumerate(TABS):
        x2 = x + len(text) + 1
        on = i == active
        cv.hline(x, x2, 10, 220, 0x0F if on else 0x08)
        cv.put(x, 11, 221, LIGHT if on else DARK)
        cv.text(x + 1, 11, text, GREY if on else DARK)
        first = len(text) - len(text.lstrip())
        cv.put(x + 1 + first, 11, ord(text.lstrip()[0]), HEAD if on else 0x71)
        cv.put(x2, 11, 222, DARK)


def page(active, description, headings):
    cv = Canvas()
    draw_logo_blocks(cv, (WIDTH - 62) // 2 + 1, 1)
    title = " Configuration Options "
    cv.hline(1, WIDTH, 7, 196, 8)
    cv.centre(7, title, 15)
    cv.centre(8, description, 7)
    tabs(cv, active)
    panel(cv, active)
    for x, text in headings:
        cv.text(x, 13, text, HEAD)
    cv.hline(3, WIDTH - 2, 14, 196, DARK)
    cv.hline(1, WIDTH, 23, 196, 8)
    cv.put(2, 24, 175, 6)
    hints = [("ENTER", " edit  "), ("1-9", " field  "), ("TAB D M S", " page  "), ("ESC", " save and close")]
    line = sum(len(k) + len(t) for k, t in hints)
    x = (WIDTH - line) // 2 + 1
    for key, text in hints:
        cv.text(x, 25, key, 7)
        cv.text(x + len(key), 25, text, 8)
        x += len(key) + len(text)
    return cv


def main():
    data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")
    for name, (active, description, headings) in PAGES.items():
        with open(os.path.join(data, name), "wb") as f:
            f.write(page(active, description, headings).ansi())


if __name__ == "__main__":
    main()
