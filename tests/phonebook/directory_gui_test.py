"""The dialing directory in the real program under Xvfb: a prepared book, ALT-D, a dial to
the loopback board, and the call recorded in the book file.

Screens are saved as screenshots under --shots (kept for a person to look at) when given.
"""

import datetime
import os
import struct
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "app"))
sys.path.insert(0, os.path.join(ROOT, "tests", "session"))
import gui_harness as gh  # noqa: E402
from session_gui_test import Server, wait_until  # noqa: E402
from book_file import ENTRIES, ENTRY, HEADER, book, entry  # noqa: E402

BINARY = None
SHOTS = None
WILL_TTYPE = b"\xff\xfb\x18"


def calls(data, n):
    """TotalCalls and LastCall of entry n."""
    off = HEADER + (n - 1) * ENTRY
    return struct.unpack_from("<iI", data, off + 271)


def packed_date(p):
    return datetime.date(1980 + (p >> 25), (p >> 21) & 15, (p >> 16) & 31)


class DirectoryGui(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.display = gh.Display(1280, 1024)
        cls.display.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.display.__exit__(None, None, None)

    def start(self, files, ini):
        prog = gh.Program(BINARY, self.display, ini=ini, files=files)
        self.addCleanup(prog.__exit__, None, None, None)
        prog.__enter__()
        prog.wait_window()
        time.sleep(0.3)
        prog.key("space")   # past the start-up picture
        return prog

    def shot(self, prog, name, settle=0.4):
        time.sleep(settle)
        if SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
            prog.screenshot(os.path.join(SHOTS, name + ".png"))

    def test_enter_dials_the_entry_and_counts_the_call(self):
        srv = Server("hold\n")
        self.addCleanup(srv.close)
        files = {"lanternyx.phn": book([entry("|14Alpha |15BBS", "127.0.0.1:1", calls=12),
                                        entry("Loopback Board", f"127.0.0.1:{srv.port}", calls=1499),
                                        entry("Third System", "third.example")])}
        prog = self.start(files, {"win_size": 0})
        prog.key("alt+d")
        self.shot(prog, "directory-80x25")
        prog.key("alt+e")
        self.shot(prog, "editor-80x25")
        prog.key("Escape", "Down", "Return")
        srv.wait_for(WILL_TTYPE)
        wait_until(lambda: prog.title() == f"(LX) Loopback Board [127.0.0.1:{srv.port}]",
                   lambda: f"title is {prog.title()!r}")
        self.shot(prog, "directory-dialled")
        prog.key("alt+x", "y", "y")     # "Disconnect?", then "Do you want to exit"
        self.assertEqual(prog.proc.wait(10), 0)
        with open(prog.path("lanternyx.phn"), "rb") as f:
            data = f.read()
        self.assertEqual(len(data), HEADER + ENTRIES * ENTRY)
        total, last = calls(data, 2)
        self.assertEqual(total, 1500)
        self.assertEqual(packed_date(last), datetime.date.today())
        self.assertEqual(calls(data, 1), (12, 0))
        self.assertEqual(calls(data, 3), (0, 0))
        self.assertEqual(data[46:48], bytes([1, 2]))   # the bar's place, kept on leaving

    def test_wide_screen_directory_and_editor(self):
        files = {"lanternyx.phn": book([entry("|14Alpha |15BBS", "alpha.example:2323", calls=12),
                                        entry("Loopback Board", "127.0.0.1:2323", calls=1499)])}
        prog = self.start(files, {"win_size": 0, "column_size": 132, "row_size": 37})
        prog.key("alt+d")
        self.shot(prog, "directory-132x37")
        prog.key("space", "Down", "alt+e")
        self.shot(prog, "editor-132x37")
        prog.key("Escape")
        self.shot(prog, "directory-tagged-132x37")
        prog.key("alt+s")
        self.shot(prog, "sort-132x37")
        prog.key("Escape", "Escape")
        prog.key("alt+x", "y")
        self.assertEqual(prog.proc.wait(10), 0)


def main():
    return gh.main_with_binary(sys.modules[__name__])


if __name__ == "__main__":
    sys.exit(main())
