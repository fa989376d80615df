"""The terminal session of the real program under Xvfb, against the loopback BBS.

What reached the server is read from its --record file; screens are saved as
screenshots under --shots (kept for a person to look at) when given.
"""

import os
import shutil
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "app"))
import gui_harness as gh  # noqa: E402
from gui_harness import Server, wait_until  # noqa: E402

BINARY = None
SHOTS = None
READY = "Lanternyx v2.00 BETA 22"
WILL_TTYPE = b"\xff\xfb\x18"


def cell(x, y):
    """Pixel in the middle of cell (x, y): 80x25, 8x16 font, window size 1x."""
    return (x - 1) * 8 + 4, (y - 1) * 16 + 8


def slow_click(prog, x, y, button=1):
    """The program polls the buttons; a press held for a moment is seen for sure."""
    prog.xdotool("mousemove", "--window", prog.window, x, y)
    prog.xdotool("mousedown", button)
    time.sleep(0.1)
    prog.xdotool("mouseup", button)


class Session(gh.GuiTest):
    def connected(self, script, address="127.0.0.1:{port}", **kw):
        """A server running script and the program dialled to it past the about screen."""
        srv = Server(script)
        self.addCleanup(srv.close)
        prog = self.start([address.format(port=srv.port)], **kw)
        self.past_picture(prog)
        return srv, prog

    def wait_title(self, prog, text):
        wait_until(lambda: prog.title() == text, lambda: f"title is {prog.title()!r}, wanted {text!r}")

    def test_url_dial_keys_macros_and_hangup(self):
        srv, prog = self.connected("send Welcome to the test board\\r\\n\nsend \\e[6n\nhold\n",
                                   "telnet://127.0.0.1:{port}/")
        self.wait_title(prog, f"(LX) 127.0.0.1:{srv.port} [127.0.0.1:{srv.port}]")
        # Negotiation answers (terminal type, window size 80x25) and the cursor position report.
        for data in (WILL_TTYPE, b"\xff\xfa\x1f\x00\x50\x00\x19\xff\xf0", b"\x1b[2;1R"):
            srv.wait_for(data)
        self.shot(prog, "session-connected", 0)
        prog.type("abc")
        prog.key("Return", "F1", "F5", "F6", "F10", "Up", "Down", "Left", "Right",
                 "Home", "End", "Prior", "Next", "Insert", "Delete")
        srv.wait_for(b"abc\r\x1bOP\x1bOt\x1b[17~\x1b[21~\x1b[A\x1b[B\x1b[D\x1b[C"
                     b"\x1b[H\x1b[K\x1b[V\x1b[U\x1b[@\x7f")
        # The default macros and ALT-L send the (empty) user name and password, each with CR.
        before = len(srv.received())
        prog.key("ctrl+F1", "ctrl+F2", "alt+l")
        srv.wait_for(b"\x7f\r\r\r\r")
        self.assertEqual(srv.received()[before:], b"\r\r\r\r")
        prog.key("alt+h")
        self.shot(prog, "session-disconnect-question")
        prog.key("y")
        self.shot(prog, "session-connection-terminated")
        prog.key("Return")
        self.wait_title(prog, READY)
        self.shot(prog, "session-terminal-ready", 0.2)

    def test_macros_with_codes_and_pause(self):
        # A configuration whose F3 macro pauses between two letters.
        prog = self.start()
        self.assertEqual(prog.stop(), 0)
        with open(prog.path("lanternyx.cfg"), "r+b") as f:
            macro = b"x@PAy@LF@@z"
            f.seek(793 + 2 * 121)
            f.write(bytes([len(macro)]) + macro)
        srv, again = self.connected("hold\n", directory=prog.dir)
        srv.wait_for(WILL_TTYPE)
        again.key("ctrl+F3")
        # The pause holds the whole text back: both letters arrive in one piece.
        srv.wait_for(b"xy\n@z")

    def test_server_closing_and_capture(self):
        srv, prog = self.connected(
            "expect \\r\nsend captured \\e[1;33mtext\\e[0m\\r\\n\nsleep 300\nclose\n")
        srv.wait_for(WILL_TTYPE)
        prog.key("alt+p")
        time.sleep(0.3)
        prog.key("Return")          # "Capture is ON"
        time.sleep(0.2)
        prog.key("Return")          # tells the server to send and hang up
        self.shot(prog, "session-remote-closed", 1.0)
        prog.key("Return")          # "Connection terminated"
        self.wait_title(prog, READY)
        with open(prog.path("lanternyx.cap"), "rb") as f:
            cap = f.read()
        self.assertTrue(cap.startswith(b"\n----> Capture: 127.0.0.1:%d (127.0.0.1:%d) " % (srv.port, srv.port)))
        self.assertIn(b" Start\n", cap)
        self.assertIn(b"captured \x1b[1;33mtext\x1b[0m\r\n", cap)
        self.assertTrue(cap.endswith(b"\n----> Capture: Disconnected\n"))

    def test_failing_connect(self):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
        s.close()  # nothing listens there now
        prog = self.start([f"127.0.0.1:{port}"])
        self.past_picture(prog)
        self.shot(prog, "session-unable-to-connect", 0.5)
        time.sleep(1.5)
        self.assertEqual(prog.title(), READY)

    def test_escape_ends_a_dial_that_never_answers(self):
        # A listener whose accept queue is full: the kernel drops further SYNs, so a new
        # connect waits for the full time-out unless it is cancelled.
        lst = socket.socket()
        lst.bind(("127.0.0.1", 0))
        lst.listen(0)
        port = lst.getsockname()[1]
        fillers = [socket.socket() for _ in range(3)]
        for c in fillers:
            c.setblocking(False)
            c.connect_ex(("127.0.0.1", port))
        self.addCleanup(lambda: [x.close() for x in fillers + [lst]])
        prog = self.start([f"127.0.0.1:{port}"])
        self.past_picture(prog)
        self.shot(prog, "session-dialer", 1.0)
        started = time.monotonic()
        prog.key("Escape")
        prog.key("alt+x", "y")  # quits as soon as the dialer gives the keyboard back
        prog.proc.wait(12)
        self.assertLess(time.monotonic() - started, 8.0)

    def test_mouse_reports_only_when_asked_and_shift_keeps_copy_and_menu(self):
        srv, prog = self.connected("send  hello mouse   \\r\\n second line\\r\\n\nexpect m\n"
                                   "send \\e[?1000h\\e[?1006h\nhold\n")
        srv.wait_for(WILL_TTYPE)
        time.sleep(0.3)
        # Three clicks, the first of them on the empty column 39 a board once took for "G".
        for x in (39, 10, 60):
            slow_click(prog, *cell(x, 5))
        prog.type("m")
        srv.wait_for(b"m")
        self.assertNotIn(b"\x1b", srv.received())
        time.sleep(0.3)  # the board's answer turns the reports on
        slow_click(prog, *cell(12, 7))
        srv.wait_for(b"\x1b[<0;12;7M\x1b[<0;12;7m")
        slow_click(prog, *cell(40, 10), button=3)
        srv.wait_for(b"\x1b[<2;40;10M\x1b[<2;40;10m")
        # With Shift held the mouse stays ours: drag over the two lines, paste from the menu.
        prog.focus()
        prog.xdotool("keydown", "shift")
        prog.drag(*cell(1, 1), *cell(20, 2))
        prog.xdotool("keyup", "shift")
        self.shot(prog, "session-copied")
        prog.key("Return")
        prog.xdotool("keydown", "shift")
        slow_click(prog, *cell(40, 10), button=3)
        prog.xdotool("keyup", "shift")
        self.shot(prog, "session-command-menu")
        prog.key("p")
        srv.wait_for(b"hello mouse\r\n second line")
        self.assertEqual(srv.received().count(b"\x1b[<"), 4)

    def test_scrollback_status_bar_help_and_exit_questions(self):
        lines = "".join(f"send line {i:03d} of the scrollback test\\r\\n\n" for i in range(120))
        srv, prog = self.connected(lines + "hold\n")
        srv.wait_for(WILL_TTYPE)
        time.sleep(0.5)
        for keys, name in ((["alt+s"], "session-status-bar"), (["alt+b"], "scrollback-end"),
                           (["Prior", "Prior"], "scrollback-paged"), (["space"], "scrollback-no-status"),
                           (["Tab"], "scrollback-topaz"), (["Escape", "alt+z"], "help"),
                           (["space", "alt+x"], "exit-disconnect"), (["y"], "exit-question")):
            prog.key(*keys)
            self.shot(prog, name)
        self.quit(prog, ["y"])

    def test_keyboard_layouts(self):
        """Typed as a user of each layout would, with its own keys (xdotool key, not type)."""
        if not shutil.which("setxkbmap"):
            self.skipTest("setxkbmap (x11-xkb-utils) missing")
        srv, prog = self.connected("hold\n")
        srv.wait_for(WILL_TTYPE)

        def layout(name):
            subprocess.run(["setxkbmap", name], env=self.display.env(), check=True, timeout=10)
            time.sleep(0.3)  # the program hears of the new keymap

        self.addCleanup(layout, "us")
        prog.key("alt+e", "Return")  # local echo: the screen shows what was typed
        layout("de")
        # "@/öß€": AltGr+Q is "@", not the Upload Queue; the euro sign is not in code page 437.
        # Then a dead key: circumflex and e make one "ê".
        prog.key("ISO_Level3_Shift+q", "shift+7", "odiaeresis", "ssharp", "ISO_Level3_Shift+e",
                 "dead_circumflex", "e")
        srv.wait_for(b"@/\x94\xe1?\x88")
        self.shot(prog, "keyboard-german-altgr-q")
        layout("fr")
        prog.key("eacute", "ampersand", "agrave")
        srv.wait_for(b"\x88\x82&\x85")
        layout("us")
        prog.key("shift+2", "shift+7", "q", "ctrl+a", "Return")
        srv.wait_for(b"\x85@&q\x01\r")
        # Left Alt+Q opens the Upload Queue, which takes the keys until ESC closes it.
        layout("de")
        prog.key("alt+q")
        self.shot(prog, "keyboard-german-left-alt-q")
        prog.key("z", "Escape", "y")
        srv.wait_for(b"\ry")
        self.assertTrue(srv.received().endswith(b"\x01\ry"))

    def test_closing_the_window_while_connected(self):
        srv, prog = self.connected("hold\n", ini={"win_size": 0, "theme": "ascii"})
        srv.wait_for(WILL_TTYPE)
        self.shot(prog, "terminal-topaz", 0)
        prog.close_window()
        self.assertEqual(prog.proc.wait(10), 0)


def main():
    return gh.main_with_binary(sys.modules[__name__])


if __name__ == "__main__":
    sys.exit(main())
