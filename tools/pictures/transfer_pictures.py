#!/usr/bin/env python3
"""Draws the transfer and upload-queue pictures and writes them to data/.

    python3 tools/pictures/transfer_pictures.py

transfer.ans: the logo over a grey panel (rows 12-23) with the labels of the progress display.
The program writes the title (column 23, row 14), the values (columns 29 and 52, rows 15-18),
the two 20-cell bars (column 32, rows 20 and 21) and the percentage (column 55, row 21).

queue-editor.ans: the two single-line frames of the editor's panes (rows 6-15 and 16-24) under
a heading row (row 5) that names the browser's columns. The program writes the directory
into the top edge of the first frame, the lines of both lists and the key line (row 25).
"""
import os

from make_pictures import Canvas, WIDTH, draw_logo_blocks

PANEL = 0x70     # black on light grey
LABEL = 0x71     # blue on grey
LIGHT = 0x7F     # white edge
DARK = 0x78      # dark grey edge
WELL = 0x08      # dark grey on black: the bars' well


def transfer():
    cv = Canvas()
    draw_logo_blocks(cv, (WIDTH - 62) // 2 + 1, 2)
    cv.hline(1, WIDTH, 8, 196, 8)
    cv.centre(8, " File Transfer ", 15)
    cv.centre(9, "Zmodem, Ymodem and Xmodem over the open connection", 7)

    x1, x2, top, bottom = 19, 62, 12, 23
    for y in range(top, bottom + 1):
        cv.hline(x1, x2, y, 32, PANEL)
    # Half-block edges in the boxes' 3D look: light top and left, dark bottom and right.
    cv.hline(x1, x2, top, 223, LIGHT)
    cv.hline(x1, x2, bottom, 220, DARK)
    for y in range(top, bottom + 1):
        cv.put(x1, y, 219, 0x0F)
        cv.put(x2, y, 219, 0x08)
    # Title band: the program writes the protocol and "Upload" or "Download" at column 23.
    cv.hline(21, 60, 14, 32, 0x0F)
    cv.put(21, 14, 254, 0x0E)

    for y, text in ((15, "File"), (16, "Size"), (17, "Pos"), (18, "Rate")):
        cv.text(22, y, text, LABEL)
        cv.put(27, y, 250, DARK)
    for y, text in ((17, "Errors"), (18, "Block")):
        cv.text(45, y, text, LABEL)
        cv.put(51, y, 250, DARK)

    # The bars' well: two rows, the bars at columns 32-51, the percentage at 55-57.
    cv.text(22, 20, "Progress", LABEL)
    for y in (20, 21):
        cv.hline(31, 59, y, 32, WELL)
        cv.hline(32, 51, y, 254, WELL)
    cv.text(58, 21, "%", 0x07)
    cv.text(55, 21, "  0", 0x0F)
    cv.centre(22, "ESC cancels the transfer", DARK)
    return cv


def queue_editor():
    cv = Canvas()
    cv.hline(1, WIDTH, 1, 32, 0x1F)
    cv.centre(1, "Upload Queue", 0x1F)
    cv.put(2, 2, 175, 6)
    cv.text(4, 2, "Pick files to send with the next upload.", 7)
    cv.text(4, 3, "The upper pane browses directories, the lower one holds the queue.", 8)
    # Column headings for the browser's lines (name 55, size right-aligned in 11, date).
    cv.text(3, 5, "File Name", 0x0E)
    cv.text(65, 5, "Size", 0x0E)
    cv.text(70, 5, "Date", 0x0E)

    def frame(y1, y2, title=""):
        cv.put(1, y1, 0xDA, 8)
        cv.hline(2, 78, y1, 0xC4, 8)
        cv.put(79, y1, 0xBF, 8)
        for y in range(y1 + 1, y2):
            cv.put(1, y, 0xB3, 8)
            cv.put(79, y, 0xB3, 8)
        cv.put(1, y2, 0xC0, 8)
        cv.hline(2, 78, y2, 0xC4, 8)
        cv.put(79, y2, 0xD9, 8)
        if title:
            cv.text(3, y1, " " + title + " ", 14)

    frame(6, 15)
    frame(16, 24, "Queued for upload")
    return cv


def main():
    data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data")
    for name, cv in (("transfer.ans", transfer()), ("queue-editor.ans", queue_editor())):
        with open(os.path.join(data, name), "wb") as f:
            f.write(cv.ansi())


if __name__ == "__main__":
    main()
