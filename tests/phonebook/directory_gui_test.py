"""The dialing directory in the real program under Xvfb: a prepared book, ALT-D, a dial to
the loopback board, and the call recorded in the book file.

Screens are saved as screenshots under --shots (kept for a person to look at) when given.
"""

import datetime
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "app"))
import gui_harness as gh  # noqa: E402
from gui_harness import Server, wait_until  # noqa: E402
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


class DirectoryGui(gh.GuiTest):
    def test_enter_dials_the_entry_and_counts_the_call(self):
        srv = Server("hold\n")
        self.addCleanup(srv.close)
        prog = self.directory(book([entry("|14Alpha |15BBS", "127.0.0.1:1", calls=12),
                                    entry("Loopback Board", f"127.0.0.1:{srv.port}", calls=1499),
                                    entry("Third System", "third.example")]))
        self.shot(prog, "directory-80x25")
        prog.key("alt+e")
        self.shot(prog, "editor-80x25")
        prog.key("Escape", "Down", "Return")
        srv.wait_for(WILL_TTYPE)
        wait_until(lambda: prog.title() == f"(LX) Loopback Board [127.0.0.1:{srv.port}]",
                   lambda: f"title is {prog.title()!r}")
        self.shot(prog, "directory-dialled")
        self.quit(prog)
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
        prog = self.directory(book([entry("|14Alpha |15BBS", "alpha.example:2323", calls=12),
                                    entry("Loopback Board", "127.0.0.1:2323", calls=1499)]),
                              ini={"win_size": 0, "column_size": 132, "row_size": 37})
        self.shot(prog, "directory-132x37")
        prog.key("space", "Down", "alt+e")
        self.shot(prog, "editor-132x37")
        prog.key("Escape")
        self.shot(prog, "directory-tagged-132x37")
        prog.key("alt+s")
        self.shot(prog, "sort-132x37")
        prog.key("Escape", "Escape")
        self.quit(prog, ["alt+x", "y"])


def main():
    return gh.main_with_binary(sys.modules[__name__])


if __name__ == "__main__":
    sys.exit(main())
