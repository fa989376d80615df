"""Logon scripts in the real program under Xvfb: a phone-book entry with a script is dialled
from the dialing directory and logs into the loopback board by itself; a broken script shows
its error on the status bar.

Screens are saved as screenshots under --shots (kept for a person to look at) when given.
"""

import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "app"))
import gui_harness as gh  # noqa: E402
from gui_harness import Server, wait_until  # noqa: E402
from book_file import book, entry  # noqa: E402

BINARY = None
SHOTS = None
def without_telnet(data):
    """What the client typed: its telnet answers (IAC commands and subnegotiations) removed."""
    out, i = bytearray(), 0
    while i < len(data):
        b = data[i]
        if b != 255:
            out.append(b)
            i += 1
        elif i + 1 < len(data) and data[i + 1] == 255:
            out.append(255)
            i += 2
        elif i + 1 < len(data) and data[i + 1] == 250:
            end = data.find(b"\xff\xf0", i)
            i = len(data) if end < 0 else end + 2
        else:
            i += 3 if i + 1 < len(data) and 251 <= data[i + 1] <= 254 else 2
    return bytes(out)


LOGIN = ('; the loopback board\r\n'
         'QUEUE "upload.zip"\r\n'
         'WAITFOR "login:"\r\nSEND "@UN@CR"\r\n'
         'WAITFOR "password:"\r\nSEND "@PW@CR"\r\n')


class ScriptGui(gh.GuiTest):
    def dial(self, board, entries, files):
        """The board, then the program with the book; the first entry dialled from ALT-D."""
        srv = Server(board)
        self.addCleanup(srv.close)
        prog = self.directory(book([e(srv.port) for e in entries], "Script Test Book"), files)
        prog.key("Return")
        return srv, prog

    def typed(self, srv):
        return without_telnet(srv.received())

    def test_entry_with_a_script_logs_in_by_itself(self):
        board = ("send \\e[2J\\e[1;36mLoopback Board\\r\\n\\r\\n\\e[1;33mlogin: \\e[0m\n"
                 "expect alice\\r\n"
                 "sleep 1500\n"
                 "send \\e[1;33mPass\\e[1;35mword: \\e[0m\n"
                 "expect s3cret\\r\n"
                 "send \\r\\n\\r\\n\\e[1;32mWelcome back, alice!\\r\\n\n"
                 "hold\n")
        srv, prog = self.dial(board, [lambda port: entry("Loopback Board", f"127.0.0.1:{port}", "login",
                                                          "alice", "s3cret", status_bar=1)],
                              {"login.scr": LOGIN, "upload.zip": "PK"})
        wait_until(lambda: b"alice\r" in self.typed(srv), lambda: f"board got {srv.received()!r}")
        self.shot(prog, "script-waitfor-note")
        wait_until(lambda: b"s3cret\r" in self.typed(srv), lambda: f"board got {srv.received()!r}")
        self.shot(prog, "script-logged-in", 0.6)
        self.assertEqual(self.typed(srv), b"alice\rs3cret\r")
        self.quit(prog)

    def test_a_broken_script_shows_its_error_on_the_status_bar(self):
        srv, prog = self.dial("send login: \nhold\n",
                              [lambda port: entry("Loopback Board", f"127.0.0.1:{port}", "broken",
                                                  "alice", "s3cret", status_bar=1)],
                              {"broken.scr": 'SEND "@UN@CR"\nWAITFOR login:\nSEND "@PW@CR"\n'})
        wait_until(lambda: b"alice\r" in self.typed(srv), lambda: f"board got {srv.received()!r}")
        self.shot(prog, "script-error", 0.5)
        time.sleep(5.5)   # the error stays for five seconds, then the session goes on
        self.assertEqual(self.typed(srv), b"alice\r")
        self.quit(prog)


def main():
    return gh.main_with_binary(sys.modules[__name__])


if __name__ == "__main__":
    sys.exit(main())
