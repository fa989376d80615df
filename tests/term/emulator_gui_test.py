"""The emulator in the real program under Xvfb, against real peers.

vttest runs on a pseudo-terminal behind the loopback board and is dialled from the directory
with a VT102 entry. Every screen of its menus 1 (cursor movements) and 2 (screen features) is
copied off the window (a drag with the left button puts the text on the clipboard) and compared
line by line with what xterm shows for the same bytes (its print-screen control writes its
screen to a file). Screens drawn for 132 columns are skipped: the program keeps its width.

A UTF-8 entry dialled from the directory shows a board's UTF-8 text with code page 437 glyphs.
Screenshots go to --shots when given.
"""

import os
import re
import shutil
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "app"))
import gui_harness as gh  # noqa: E402
from book_file import book, entry  # noqa: E402
from gui_harness import Server, wait_until  # noqa: E402

BINARY = None
SHOTS = None
CELL_W, CELL_H, COLS, ROWS = 8, 16, 80, 24   # 80x25 at scale 1, the status bar on row 25

# Prints the screen after each given offset of a byte log, in a terminal set to raw mode so
# that the terminal's answers to queries in the log are not echoed onto the screen.
REPLAY = """
import sys, time, tty
tty.setraw(0)
data = open(sys.argv[1], "rb").read()
pos = 0
for end in map(int, sys.argv[2].split(",")):
    sys.stdout.buffer.write(data[pos:end] + b"\\x1b[i")
    sys.stdout.buffer.flush()
    pos = end
    time.sleep(0.05)
time.sleep(0.5)
"""


def xterm_screens(display, log, offsets, workdir):
    """The text of xterm's screen after each offset of the log, as lists of rows."""
    prints = os.path.join(workdir, "xterm-prints")
    script = os.path.join(workdir, "replay.py")
    with open(script, "w") as f:
        f.write(REPLAY)
    resources = [f"*printerCommand: cat >> {prints}", "*printAttributes: 0", "*printerExtent: true",
                 "*printerFormFeed: true", "*c132: true"]
    args = ["xterm", "-geometry", f"{COLS}x{ROWS}"]
    for r in resources:
        args += ["-xrm", "XTerm" + r]
    subprocess.run(args + ["-e", sys.executable, script, log, ",".join(map(str, offsets))],
                   env=display.env(), timeout=60, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(prints, encoding="utf-8", errors="replace") as f:
        return [p.split("\n")[:ROWS] for p in f.read().split("\f")][:len(offsets)]


def drawable(text):
    """xterm's characters as the program draws them: line drawing has code page 437 glyphs, the
    diamond is the card suit's, and what the code page lacks is a "?"."""
    out = []
    for ch in text:
        try:
            ch.encode("cp437")
            out.append(ch)
        except UnicodeEncodeError:
            out.append("\u2666" if ch == "\u25c6" else "?")
    return "".join(out)


def normalise(rows):
    # Copied text starts at its first visible character and has no trailing blanks.
    rows = [r.rstrip() for r in (list(rows) + [""] * ROWS)[:ROWS]]
    for i, r in enumerate(rows):
        if r:
            rows[i] = r.lstrip()
            break
    return rows


class PtyBoard(gh.Board):
    """The loopback board relaying a program on a pseudo-terminal, logging what it sent."""

    def __init__(self, cmd):
        super().__init__()
        self.run("--pty", cmd, "--pty-log", self.path("sent"))

    def sent(self):
        return self.read("sent")

    def settle(self, quiet=0.8, timeout=8):
        """Waits until nothing more has come for `quiet` seconds; the length sent by then. The
        quiet time also lets a busy machine's program draw what came last before it is copied."""
        end = time.monotonic() + timeout
        size, since = -1, time.monotonic()
        while time.monotonic() < end:
            n = len(self.sent())
            if n != size:
                size, since = n, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return size
            time.sleep(0.05)
        raise AssertionError("the program never went quiet")


class EmulatorGui(gh.GuiTest):
    def dial(self, port, **kw):
        """The program with one entry for 127.0.0.1:port, in the directory."""
        return self.directory(book([entry("Board", f"127.0.0.1:{port}", status_bar=1, **kw)]))

    def copy_screen(self, prog, before):
        """The text of rows 1-24, through a drag and the clipboard; the box it opens is closed."""
        prog.drag(CELL_W // 2, CELL_H // 2, COLS * CELL_W - CELL_W // 2, ROWS * CELL_H - CELL_H // 2)
        text, end = None, time.monotonic() + 3
        while time.monotonic() < end:
            r = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.display.env(),
                               capture_output=True, timeout=5)
            text = r.stdout.decode("utf-8", errors="replace")
            if text and text != before:
                break
            time.sleep(0.1)
        prog.key("Escape")    # "Text added to clipboard"
        time.sleep(0.15)
        return text

    @unittest.skipUnless(all(shutil.which(t) for t in ("vttest", "xterm", "xclip", "setsid")),
                         "vttest, xterm, xclip or setsid missing")
    def test_vttest_screens_match_xterm(self):
        board = PtyBoard("vttest")
        self.addCleanup(board.close)
        prog = self.dial(board.port, emulation=2)
        prog.key("Return")
        wait_until(lambda: b"Enter choice number" in board.sent(), lambda: "no vttest menu")
        marks, copies, text = [], [], None
        for menu in ("1", "2"):
            keys = [menu, "Return"]
            for _ in range(20):      # until the menu is back
                prog.key(*keys, delay_ms=60)
                keys = ["Return"]
                at = board.settle()
                text = self.copy_screen(prog, text)
                marks.append(at)
                copies.append(text)
                self.shot(prog, f"vttest-{len(marks):02d}", 0)
                if board.sent()[at - 200:at].endswith(b"Enter choice number (0 - 12): "):
                    break
        log = os.path.join(board.dir, "sent-copy")
        with open(log, "wb") as f:
            f.write(board.sent())
        self.quit(prog)

        reference = xterm_screens(self.display, log, marks, board.dir)
        self.assertEqual(len(reference), len(marks))
        data, compared = board.sent(), 0
        for n, (at, ours, theirs) in enumerate(zip(marks, copies, reference)):
            widths = re.findall(rb"\x1b\[\?3([hl])", data[:at])
            if widths and widths[-1] == b"h":
                continue
            got = normalise(ours.split("\r\n"))
            want = normalise(drawable(r) for r in theirs)
            self.assertEqual(got, want, f"screen {n + 1} (after {at} bytes)")
            compared += 1
        self.assertGreaterEqual(compared, 15)

    @unittest.skipUnless(shutil.which("xclip"), "xclip missing")
    def test_utf8_entry_shows_code_page_glyphs(self):
        srv = Server("send \\e[2J\\e[H\\xc3\\xa9\\xe2\\x94\\x80\\xe2\\x96\\x88\\xc2\\xbb\\r\\n\n"
                     "send \\xe2\\x94\\x8c\\xe2\\x94\\x80\\xe2\\x94\\x90 \\xce\\xb1\\xce\\xb2 \\xe2\\x82\\xac\\xff!\\r\\n\nhold\n")
        self.addCleanup(srv.close)
        prog = self.dial(srv.port, charset=1)
        prog.key("alt+e")
        time.sleep(0.3)
        self.shot(prog, "editor-charset", 0)
        prog.key("Escape", "Return")
        srv.wait_for(b"\xff\xfb\x18")
        time.sleep(0.5)
        self.shot(prog, "utf8-board", 0)
        text = self.copy_screen(prog, None)
        self.assertEqual(text.split("\r\n")[:2], ["é─█»", "┌─┐ αß ??!"])
        self.quit(prog)


def main():
    return gh.main_with_binary(sys.modules[__name__])


if __name__ == "__main__":
    sys.exit(main())
