#!/usr/bin/env python3
"""Draws the dialing directory's backgrounds (25 and 50 lines) and the entry
editor's, and writes them as ANSI art to data/.

The program writes the list rows, the status row and the form over these; the
columns below are where it writes, counted from the picture's first column:
  list rows      name 2-28, address 30-56, last call 58-68, calls 70-78
  status row     title 3-42, gauge 58-67, entry counter 69-77
  editor         labels 2 and 41, values 15 and 53, "n of 200" from 12 on row 8;
                 fields on rows 10-19 and 21-23, the legend on row 25
Rerun after changing a layout:  python3 tools/pictures/directory_pictures.py
"""
import os

from make_pictures import WIDTH, Canvas, draw_logo_blocks, lantern, shade_bar

FRAME = 6        # brown double frame, like the help screen
DIVIDER = 8      # dark grey column rules inside the list
BAR = 112        # black on light grey: headings, status row, editor heading
KEY = 15
WORD = 7
DOT = 8

# Column rules of the list: after the name, the address and the last call.
RULES = (29, 57, 69)


def header(cv, title):
    """Rows 1-6: shade bar, logo between two lanterns, the screen's name."""
    shade_bar(cv, 1, colour=4)
    draw_logo_blocks(cv, (WIDTH - 62) // 2 + 1, 2)
    lantern(cv, 3, 1)
    lantern(cv, WIDTH - 6, 1)
    t = " %s " % title
    x = (WIDTH - len(t)) // 2 + 1
    shade_bar(cv, 6, 12, x - 2, colour=6)
    shade_bar(cv, 6, x + len(t) + 1, WIDTH - 11, colour=6)
    cv.text(x, 6, t, 14)


def frame_row(cv, y, left, fill, right, joins=(), join_ch=None, attr=FRAME):
    cv.put(1, y, left, attr)
    cv.hline(2, WIDTH - 1, y, fill, attr)
    for x in joins:
        cv.put(x, y, join_ch, attr)
    cv.put(WIDTH, y, right, attr)


def legend(cv, y, items):
    """KEY Word pairs spread over the row, with dots between them."""
    parts = [(k, w) for k, w in items]
    width = sum(len(k) + 1 + len(w) for k, w in parts) + 3 * (len(parts) - 1)
    x = (WIDTH - width) // 2 + 1
    for i, (k, w) in enumerate(parts):
        if i:
            cv.put(x + 1, y, 250, DOT)
            x += 3
        cv.text(x, y, k, KEY)
        x += len(k) + 1
        cv.text(x, y, w, WORD)
        x += len(w)


def directory(rows):
    """The list's frame for a screen of rows lines (25 or 50)."""
    cv = Canvas(rows)
    extra = 26 if rows >= 50 else 1
    last_list = extra + 19          # last list row
    status = extra + 21
    header(cv, "Dialing Directory")
    frame_row(cv, 7, 201, 205, 187, RULES, 209)
    # Row 8: the headings on a light grey bar.
    cv.put(1, 8, 186, FRAME)
    cv.hline(2, WIDTH - 1, 8, 32, BAR)
    for x in RULES:
        cv.put(x, 8, 179, BAR)
    cv.put(WIDTH, 8, 186, FRAME)
    cv.text(3, 8, "System", BAR)
    cv.text(31, 8, "Address", BAR)
    cv.text(59, 8, "Last Call", BAR)
    cv.text(71, 8, "#Calls", BAR)
    frame_row(cv, 9, 199, 196, 182, RULES, 197)
    for y in range(10, last_list + 1):
        cv.put(1, y, 186, FRAME)
        for x in RULES:
            cv.put(x, y, 179, DIVIDER)
        cv.put(WIDTH, y, 186, FRAME)
    frame_row(cv, last_list + 1, 199, 196, 182, RULES, 193)
    # The status row: title, gauge and counter are the program's.
    cv.put(1, status, 186, FRAME)
    cv.hline(2, WIDTH - 1, status, 32, BAR)
    cv.put(WIDTH, status, 186, FRAME)
    frame_row(cv, status + 1, 200, 205, 188)
    legend(cv, rows - 1, [("ALT+I", "Import"), ("ALT+B", "Book"), ("ALT+E", "Edit"),
                          ("ALT+S", "Sort"), ("INSERT", "New")])
    legend(cv, rows, [("ENTER", "Dial"), ("SPACE", "Tag"), ("ALT+F", "Find"),
                      ("ALT+G", "Global"), ("DELETE", "Remove")])
    return cv


def editor():
    cv = Canvas(25)
    header(cv, "Phone Book Entry")
    frame_row(cv, 7, 201, 205, 187)
    cv.put(1, 8, 186, FRAME)
    cv.hline(2, WIDTH - 1, 8, 32, BAR)
    cv.text(3, 8, "Editing:", BAR)     # the entry number follows at column 12
    cv.put(WIDTH, 8, 186, FRAME)
    frame_row(cv, 9, 199, 196, 182, (40,), 194)
    for y in range(10, 20):
        cv.put(1, y, 186, FRAME)
        cv.put(40, y, 179, DIVIDER)
        cv.put(WIDTH, y, 186, FRAME)
    # Row 14 parts the address and login fields from the terminal settings.
    cv.hline(2, 38, 14, 250, DIVIDER)
    cv.hline(42, WIDTH - 2, 14, 250, DIVIDER)
    frame_row(cv, 20, 199, 196, 182, (40,), 193)
    # Rows 21-23: rating and charset, speed and font, then the comment across both halves.
    for y in (21, 22, 23):
        cv.put(1, y, 186, FRAME)
        cv.put(WIDTH, y, 186, FRAME)
    frame_row(cv, 24, 200, 205, 188)
    # Row 25 starts with "ESC Done" at column 3: a click there leaves the editor.
    x = 3
    for i, (k, w) in enumerate([("ESC", "Done"), ("ARROWS", "Move"), ("ENTER", "Select"),
                                ("PGDN/PGUP", "Next/Prev")]):
        if i:
            cv.put(x + 1, 25, 250, DOT)
            x += 3
        cv.text(x, 25, k, KEY)
        x += len(k) + 1
        cv.text(x, 25, w, WORD)
        x += len(w)
    return cv


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    data = os.path.join(here, "..", "..", "data")
    pictures = {
        "directory.ans": directory(25),
        "directory-50.ans": directory(50),
        "phone-editor.ans": editor(),
    }
    for name, cv in pictures.items():
        with open(os.path.join(data, name), "wb") as f:
            f.write(cv.ansi())


if __name__ == "__main__":
    main()
