"""The settings editor and the video menus in the real program under Xvfb, connected to the
loopback BBS. Screens are saved under --shots (kept for a person to look at) when given.
"""

import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "app"))
import gui_harness as gh  # noqa: E402
from gui_harness import Server, wait_until  # noqa: E402

BINARY = None
SHOTS = None
TEXT = "send first line of the board\\r\\nsecond line \\e[1;33myellow\\e[0m\\r\\nthird line\\r\\n\nhold\n"


def pixels(png, x, y, w, h):
    """Raw RGB bytes of a rectangle of a screenshot."""
    return subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "rgb:-"],
                          capture_output=True, check=True, timeout=30).stdout


def cell_colours(png, x, y):
    """How many different colours cell (x, y) of an 8x16 screen shows."""
    raw = pixels(png, (x - 1) * 8, (y - 1) * 16, 8, 16)
    return len({raw[i:i + 3] for i in range(0, len(raw), 3)})


class Settings(gh.GuiTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.shots = SHOTS or os.path.join(os.environ.get("TMPDIR", "/tmp"), f"lx-settings-{os.getpid()}")
        os.makedirs(cls.shots, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        if not SHOTS:
            subprocess.run(["rm", "-rf", cls.shots], check=False)

    def connected(self):
        srv = Server(TEXT)
        self.addCleanup(srv.close)
        prog = self.start([f"127.0.0.1:{srv.port}"])
        self.past_picture(prog)
        srv.wait_for(b"\xff\xfb\x18")   # the program's telnet answers
        wait_until(lambda: prog.title().startswith("(LX)"), lambda: f"title is {prog.title()!r}")
        time.sleep(0.3)
        return srv, prog

    def shot(self, prog, name, settle=0.4):
        time.sleep(settle)
        path = os.path.join(self.shots, name + ".png")
        prog.screenshot(path)
        return path

    def reopened(self, prog):
        """The window after a menu re-opened it (X may give the new one the old id)."""
        time.sleep(0.5)
        def found():
            r = prog.xdotool("search", "--onlyvisible", "--name", "Lanternyx|LX", timeout=5)
            ids = r.stdout.split()
            if ids:
                prog.window = ids[-1]
            return bool(ids)
        wait_until(found, lambda: "no window after re-opening: " + prog.output())
        return prog.window

    def test_settings_pages_while_connected(self):
        srv, prog = self.connected()
        prog.key("alt+o")
        self.shot(prog, "settings-directories")
        prog.key("Tab")
        self.shot(prog, "settings-macros")
        prog.key("3")
        prog.type("hi")
        prog.key("Return", "Tab")
        self.shot(prog, "settings-startup")
        prog.key("Escape")
        self.shot(prog, "settings-closed")
        with open(prog.path("lanternyx.cfg"), "rb") as f:
            cfg = f.read()
        self.assertEqual(len(cfg), 3042)
        self.assertEqual(cfg[793 + 2 * 121:793 + 2 * 121 + 3], b"\x02hi")
        # The new F3 macro goes to the board.
        prog.key("ctrl+F3")
        srv.wait_for(b"hi")

    def test_size_change_keeps_the_session(self):
        srv, prog = self.connected()
        before = self.shot(prog, "session-80x25")
        prog.key("alt+m")
        self.shot(prog, "size-menu")
        prog.key("Down", "Down", "Return")
        self.reopened(prog)
        wait_until(lambda: prog.geometry() == (1056, 592), lambda: f"window is {prog.geometry()}")
        after = self.shot(prog, "session-132x37", 0.6)
        # Font 1 at scale 1 both times: the three lines the board sent are the same pixels.
        self.assertEqual(pixels(before, 0, 0, 640, 48), pixels(after, 0, 0, 640, 48))
        # Typing still reaches the board, from the new window.
        prog.type("x")
        srv.wait_for(b"x")

    def test_board_hears_the_new_size(self):
        srv, prog = self.connected()
        srv.wait_for(b"\xff\xfa\x1f\x00\x50\x00\x19\xff\xf0")
        prog.key("alt+m", "Down", "Down", "Return")
        self.reopened(prog)
        srv.wait_for(b"\xff\xfa\x1f\x00\x84\x00\x25\xff\xf0")  # 132 x 37

    def test_topaz_switches_boxes_to_the_ascii_look(self):
        srv, prog = self.connected()
        prog.key("alt+m")
        # The size list's top-left corner, cell (20, 10): a solid block in the ANSI look.
        self.assertEqual(cell_colours(self.shot(prog, "size-menu-ansi"), 20, 10), 1)
        prog.key("Escape")
        prog.key("alt+f")
        self.shot(prog, "font-menu")
        prog.key("Down", "Return")
        self.shot(prog, "filter-menu")
        prog.key("Return")
        self.reopened(prog)
        self.shot(prog, "session-topaz")
        prog.key("alt+m")
        self.assertGreater(cell_colours(self.shot(prog, "size-menu-topaz"), 20, 10), 1)
        prog.key("Escape")


def main():
    return gh.main_with_binary(sys.modules[__name__])


if __name__ == "__main__":
    sys.exit(main())
