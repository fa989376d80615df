#!/usr/bin/env python3
"""Draws the shell's built-in pictures and writes them as ANSI art to data/.

The .ans files are the source the build converts; this script is only how they
were drawn. Rerun it after changing a layout:  python3 tools/pictures/make_pictures.py
Output is code page 437, SGR colours, CR LF line ends and cursor-forward runs.
"""
import os

WIDTH = 80

# One letter = 6 columns x 8 pixel rows; two pixel rows make one text row (half blocks).
FONT = {
    'L': ["##....", "##....", "##....", "##....", "##....", "##....", "######", "######"],
    'A': [".####.", "######", "##..##", "##..##", "######", "######", "##..##", "##..##"],
    'N': ["##..##", "###.##", "######", "######", "##.###", "##..##", "##..##", "##..##"],
    'T': ["######", "######", "..##..", "..##..", "..##..", "..##..", "..##..", "..##.."],
    'E': ["######", "######", "##....", "#####.", "#####.", "##....", "######", "######"],
    'R': ["#####.", "######", "##..##", "##..##", "#####.", "#####.", "##.##.", "##..##"],
    'Y': ["##..##", "##..##", "##..##", ".####.", "..##..", "..##..", "..##..", "..##.."],
    'X': ["##..##", "##..##", ".####.", "..##..", "..##..", ".####.", "##..##", "##..##"],
}

# Flame palette, one colour per pixel row: yellow at the top burning down to red.
# Where a text row holds two colours the lower one is a background, so it is one of 0-7.
FLAME = [14, 14, 14, 6, 6, 4, 4, 4]

BLANK = (32, 7)


class Canvas:
    def __init__(self, rows=25):
        self.rows = rows
        self.cells = [[BLANK] * WIDTH for _ in range(rows)]

    def put(self, x, y, ch, attr):
        """x, y are 1-based like the console."""
        if 1 <= x <= WIDTH and 1 <= y <= self.rows:
            self.cells[y - 1][x - 1] = (ch, attr)

    def get(self, x, y):
        if 1 <= x <= WIDTH and 1 <= y <= self.rows:
            return self.cells[y - 1][x - 1]
        return BLANK

    def text(self, x, y, s, attr):
        for i, c in enumerate(s):
            self.put(x + i, y, ord(c) if isinstance(c, str) else c, attr)

    def hline(self, x1, x2, y, ch, attr):
        for x in range(x1, x2 + 1):
            self.put(x, y, ch, attr)

    def centre(self, y, s, attr):
        self.text((WIDTH - len(s)) // 2 + 1, y, s, attr)

    def ansi(self):
        out = bytearray()
        cur = None

        def sgr(attr):
            fg, bg = attr & 15, (attr >> 4) & 7
            codes = ["0"]
            if fg >= 8:
                codes.append("1")
            codes.append(str(30 + PC2ANSI[fg & 7]))
            if bg:
                codes.append(str(40 + PC2ANSI[bg]))
            return b"\x1b[" + ";".join(codes).encode() + b"m"

        for row in self.cells:
            end = WIDTH
            while end > 0 and row[end - 1] == BLANK:
                end -= 1
            x = 0
            while x < end:
                ch, attr = row[x]
                if (ch, attr) == BLANK:
                    run = 1
                    while x + run < end and row[x + run] == BLANK:
                        run += 1
                    if run >= 3:
                        out += b"\x1b[%dC" % run
                        x += run
                        continue
                if attr != cur:
                    out += sgr(attr)
                    cur = attr
                out.append(ch)
                x += 1
            out += b"\r\n"
        if cur is not None:
            out += b"\x1b[0m"
        return bytes(out)


# PC attribute colour order (blue = 1) to ANSI order (red = 1).
PC2ANSI = [0, 4, 2, 6, 1, 5, 3, 7]


def logo_pixels(word):
    """The word as a pixel grid: list of 8 strings."""
    rows = [""] * 8
    for i, letter in enumerate(word):
        for r in range(8):
            rows[r] += FONT[letter][r] + ("." if i < len(word) - 1 else "")
    return rows


def draw_logo_blocks(cv, x0, y0, word="LANTERNYX"):
    """Half-block logo with a shaded drop shadow; returns its width."""
    px = logo_pixels(word)
    w = len(px[0])
    body = set()
    for ty in range(4):
        top, bot = px[2 * ty], px[2 * ty + 1]
        ct, cb = FLAME[2 * ty], FLAME[2 * ty + 1]
        for x in range(w):
            t, b = top[x] == "#", bot[x] == "#"
            if t and b:
                if ct == cb:
                    cv.put(x0 + x, y0 + ty, 219, ct)
                else:
                    cv.put(x0 + x, y0 + ty, 223, ct | (cb << 4))
            elif t:
                cv.put(x0 + x, y0 + ty, 223, ct)
            elif b:
                cv.put(x0 + x, y0 + ty, 220, cb)
            else:
                continue
            body.add((x, ty))
    # Shadow one cell right and down, cast only by a stroke's right edge and by the
    # bottom row, so the counters of A, R and N stay open.
    for (x, ty) in sorted(body):
        sx, sy = x + 1, ty + 1
        if (sx, ty) in body and sy < 4:
            continue
        if (sx, sy) not in body and cv.get(x0 + sx, y0 + sy) == BLANK:
            cv.put(x0 + sx, y0 + sy, 177 if sy < 4 else 176, 8)
    return w


# The Topaz font has no block graphics: the logo in line-drawn letters, five rows each.
ASCII_FONT = {
    'L': [" _     ", "| |    ", "| |    ", "| |___ ", "|_____|"],
    'A': ["    _    ", "   / \\   ", "  / _ \\  ", " / ___ \\ ", "/_/   \\_\\"],
    'N': [" _   _ ", "| \\ | |", "|  \\| |", "| |\\  |", "|_| \\_|"],
    'T': [" _____ ", "|_   _|", "  | |  ", "  | |  ", "  |_|  "],
    'E': [" _____ ", "| ____|", "|  _|  ", "| |___ ", "|_____|"],
    'R': [" ____  ", "|  _ \\ ", "| |_) |", "|  _ < ", "|_| \\_\\"],
    'Y': ["__   __", "\\ \\ / /", " \\ V / ", "  | |  ", "  |_|  "],
    'X': ["__  __", "\\ \\/ /", " \\  / ", " /  \\ ", "/_/\\_\\"],
}


def draw_logo_ascii(cv, x0, y0, word="LANTERNYX"):
    """Returns the logo's width; rows shade from white through yellow to red."""
    colours = [15, 14, 14, 6, 4]
    rows = ["".join(ASCII_FONT[c][r] for c in word) for r in range(5)]
    for r, line in enumerate(rows):
        for x, ch in enumerate(line):
            if ch != " ":
                cv.put(x0 + x, y0 + r, ord(ch), colours[r])
    return len(rows[0])


def shade_bar(cv, y, x1=1, x2=WIDTH, colour=6):
    """A bar that fades in from both ends: light, medium, dark shade, then solid."""
    n = x2 - x1 + 1
    ramp = [176, 177, 178]
    for i in range(n):
        d = min(i, n - 1 - i)
        if d < 3:
            cv.put(x1 + i, y, ramp[d], colour)
        else:
            cv.put(x1 + i, y, 220, colour)


def lantern(cv, x, y):
    """A small hanging lantern, 5 columns wide and 7 rows tall."""
    cv.text(x + 2, y, [179], 8)
    cv.text(x + 1, y + 1, [220, 219, 220], 8)
    cv.text(x, y + 2, [222, 176, 177, 176, 221], 6)
    cv.put(x + 2, y + 2, 15, 14)          # the flame
    cv.text(x, y + 3, [222, 177, 219, 177, 221], 6)
    cv.put(x + 2, y + 3, 219, 14)
    cv.text(x, y + 4, [222, 176, 177, 176, 221], 6)
    cv.text(x + 1, y + 5, [223, 219, 223], 8)


def about():
    cv = Canvas()
    shade_bar(cv, 1, colour=4)
    shade_bar(cv, 2, 3, WIDTH - 2, colour=6)
    x0 = (WIDTH - 62) // 2 + 1
    draw_logo_blocks(cv, x0, 4)
    lantern(cv, 3, 4)
    lantern(cv, WIDTH - 6, 4)
    cv.centre(10, "the graphical terminal for bulletin board systems", 7)
    cv.hline(18, 63, 11, 196, 8)
    lines = [
        ("telnet", "rlogin", "ssh"),
        ("CP437", "Topaz", "iCE colour"),
        ("256 colour", "24-bit RGB", "Zmodem"),
    ]
    for i, (a, b, c) in enumerate(lines):
        s = "%-12s %c %-12s %c %-12s" % (a, 250, b, 250, c)
        x = (WIDTH - len(s)) // 2 + 1
        for j, ch in enumerate(s):
            attr = 8 if ord(ch) == 250 else 3 if i == 0 else 11 if i == 1 else 3
            cv.put(x + j, 13 + i, ord(ch), attr)
    # Rows 18 and 19 carry the version lines written by the program.
    cv.hline(24, 57, 17, 205, 8)
    cv.hline(24, 57, 20, 205, 8)
    cv.centre(22, "press any key", 8)
    shade_bar(cv, 24, 3, WIDTH - 2, colour=6)
    shade_bar(cv, 25, colour=4)
    return cv


def term_ready_cp437():
    cv = Canvas()
    x0 = (WIDTH - 62) // 2 + 1
    draw_logo_blocks(cv, x0, 1)
    cv.centre(6, "%c terminal %c" % (250, 250), 8)
    # Row 7 gets a full-width line from the program; row 9 the ready text.
    cv.text(8, 9, [176, 177, 178], 6)
    cv.text(70, 9, [178, 177, 176], 6)
    return cv


def term_ready_topaz():
    cv = Canvas()
    x0 = (WIDTH - 64) // 2 + 1
    draw_logo_ascii(cv, x0, 1)
    cv.hline(2, WIDTH - 1, 6, ord("-"), 8)
    cv.put(1, 6, ord("."), 8)
    cv.put(WIDTH, 6, ord("."), 8)
    cv.centre(7, "-=[ terminal ]=-", 6)
    return cv


HELP_ROWS = [
    ("ALT-A", "About Lanternyx", "ALT-M", "Change Screen Size"),
    ("ALT-B", "Activate Scrollback", "ALT-O", "Configuration Options"),
    ("ALT-C", "Clear the Screen", "ALT-P", "Toggle Session Capture"),
    ("ALT-D", "Dialing Directory", "ALT-Q", "Upload Queue Editor"),
    ("ALT-E", "Toggle Local Echo", "ALT-S", "Toggle Status Bar"),
    ("ALT-F", "Change Theme and Font", "ALT-T", "Transfer Files"),
    ("ALT-H", "Hang-Up (Disconnect)", "ALT-X", "Exit (Quit Lanternyx)"),
    ("ALT-I", "Immediate Dial", "Ctrl+F1-F10", "Output Macro #1-10"),
    ("ALT-L", "Send Login/Password", "ALT-=", "Cycle Line Speed"),
    ("ALT-ENTER", "Toggle Window Size", "Drag Files", "Drop in window to queue"),
]


def help_screen():
    cv = Canvas()
    x0 = (WIDTH - 62) // 2 + 1
    draw_logo_blocks(cv, x0, 1)
    # Box from row 7 to row 24, double frame in brown with a grey inner shade.
    x1, x2, y1, y2 = 3, 78, 7, 24
    fr = 6
    cv.put(x1, y1, 201, fr)
    cv.put(x2, y1, 187, fr)
    cv.put(x1, y2, 200, fr)
    cv.put(x2, y2, 188, fr)
    cv.hline(x1 + 1, x2 - 1, y1, 205, fr)
    cv.hline(x1 + 1, x2 - 1, y2, 205, fr)
    for y in range(y1 + 1, y2):
        cv.put(x1, y, 186, fr)
        cv.put(x2, y, 186, fr)
        cv.put(x2 + 1, y, 177, 8)
    cv.hline(x1 + 1, x2 + 1, y2 + 1, 223, 8) if y2 + 1 <= 25 else None
    cv.put(x2 + 1, y2, 177, 8)
    title = " Lanternyx Help "
    tx = (x1 + x2 - len(title)) // 2 + 1
    cv.put(tx - 1, y1, 181, fr)
    cv.text(tx, y1, title, 14)
    cv.put(tx + len(title), y1, 198, fr)
    y = y1 + 2
    for k1, t1, k2, t2 in HELP_ROWS:
        if k1:
            cv.text(6, y, k1.rjust(9), 15)
            cv.put(16, y, 250, 8)
            cv.text(18, y, t1, 7)
        if k2:
            cv.text(40, y, k2.rjust(11), 15)
            cv.put(52, y, 250, 8)
            cv.text(54, y, t2, 7)
        y += 1
        if k1 == "ALT-L":
            y += 1      # a gap before the window keys
    # Row y1 + 13 is left free: the program writes the font and line speed in use there.
    cv.hline(x1 + 2, x2 - 2, y1 + 14, 196, 8)
    cv.centre(y1 + 15, "Right-click anywhere in the terminal for the command menu", 3)
    cv.centre(y1 + 16, "press any key to return", 8)
    return cv


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    data = os.path.join(here, "..", "..", "data")
    pictures = {
        "about.ans": about(),
        "term-ready.ans": term_ready_cp437(),
        "term-ready-topaz.ans": term_ready_topaz(),
        "help.ans": help_screen(),
    }
    for name, cv in pictures.items():
        with open(os.path.join(data, name), "wb") as f:
            f.write(cv.ansi())


if __name__ == "__main__":
    main()
