"""File transfers in the real program under Xvfb, against the loopback board running real sz
and rz on the connection: two files queued in the queue editor, two files downloaded by
auto-start, then the queued files uploaded when the board starts rz.

Screens are saved as screenshots under --shots (kept for a person to look at) when given.
"""

import hashlib
import os
import random
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "app"))
import gui_harness as gh  # noqa: E402
from gui_harness import wait_until  # noqa: E402

BINARY = None
SHOTS = None


def sha(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def data(size, seed):
    rnd = random.Random(seed)
    return bytes(rnd.getrandbits(8) for _ in range(size))


def put(folder, files):
    """Writes {name: content} into folder (made if missing); the paths, in order."""
    os.makedirs(folder, exist_ok=True)
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)
    return [os.path.join(folder, name) for name in files]


class Board(gh.Board):
    """The loopback board: a greeting, a wait for "g", then sz and rz on the connection."""

    def __init__(self, send_files, receive_dir=None, opts="", protocol="zmodem"):
        super().__init__()
        script = self.write("board.txt",
                            "send \\e[2J\\e[1;36mLoopback Board\\e[0m\\r\\n\\r\\n"
                            "Press G for the new files.\\r\\n\n"
                            "timeout 60000\nexpect g\n"
                            "send Sending 2 files, then receiving yours.\\r\\n\n")
        # Pieces of 4 KiB with a pause between them slow the download down enough to watch.
        args = ["--once", "--script", script, "--linger", "-1", "--chunk", "4096", "--delay", "3",
                "--zmodem-status", self.path("status"), "--protocol", protocol]
        if receive_dir:
            args += ["--zmodem-receive", receive_dir]
        if opts:
            args += ["--zmodem-opts=" + opts]
        for f in send_files:
            args += ["--zmodem-send", f]
        self.run(*args)

    def ended(self, name):
        lines = self.read("status").decode().splitlines()
        return [line.split()[1] for line in lines if line.startswith(name + " ")]

    def wait_ended(self, name, timeout=60):
        """Waits for the board's sz/rz/sb/... to end; its exit status."""
        wait_until(lambda: self.ended(name), lambda: f"{name} never ended", timeout=timeout)
        return self.ended(name)


class TransferGui(gh.GuiTest):
    def call(self, board, press_g=False):
        """The program dialled to the board, past the start-up picture and the greeting."""
        prog = self.start([f"127.0.0.1:{board.port}"])
        self.past_picture(prog, 0.5)
        time.sleep(1.5)
        if press_g:
            prog.type("g")
            time.sleep(0.5)
        return prog

    def queue(self, prog, folder, keys):
        """ALT-Q, F5 to folder, then keys on its list (the first line is "..")."""
        prog.key("alt+q")
        time.sleep(0.5)
        prog.key("F5")
        time.sleep(0.3)
        prog.type(folder)
        prog.key("Return")
        time.sleep(0.3)
        prog.key(*keys)

    def assert_files(self, folder, files):
        for name, content in files.items():
            path = os.path.join(folder, name)
            wait_until(lambda: os.path.exists(path), lambda: f"{name} not received")
            self.assertEqual(sha(path), hashlib.sha256(content).hexdigest(), name)

    def workdir(self):
        work = tempfile.mkdtemp(prefix="lx-xfer-")
        self.addCleanup(shutil.rmtree, work, True)
        return work

    def test_download_by_auto_start_and_upload_from_the_queue(self):
        work = self.workdir()
        outbox, inbox = os.path.join(work, "outbox"), os.path.join(work, "inbox")
        downloads = {"big-archive.zip": data(3 << 20, 1), "readme.txt": b"Files for callers\r\n" * 50}
        uploads = {"photo.jpg": data(700000, 2), "notes.txt": b"my notes\n" * 100}
        put(outbox, uploads)
        os.makedirs(inbox)
        board = Board(put(os.path.join(work, "board"), downloads), inbox)
        self.addCleanup(board.close)
        prog = self.call(board)

        # The queue editor: queue both files (lines: "..", notes, photo).
        self.queue(prog, outbox, ["Down", "Return", "Down", "Return"])
        self.shot(prog, "xfer-queue-editor", 0.5)
        prog.key("Escape")
        time.sleep(0.3)

        # The board sends: the download starts by itself.
        prog.type("g")
        time.sleep(1.5)
        self.shot(prog, "xfer-download-progress", 0)
        self.assertEqual(board.wait_ended("sz"), ["0"])
        self.assert_files(prog.dir, downloads)
        self.shot(prog, "xfer-download-done", 0.5)
        prog.key("Return")   # the result box; the board's rz is waiting for our files

        self.assertEqual(board.wait_ended("rz"), ["0"])
        self.assert_files(inbox, uploads)
        self.shot(prog, "xfer-upload-done", 0.5)
        prog.key("Return")   # the result box
        time.sleep(0.3)
        self.shot(prog, "xfer-clear-queue", 0.2)
        prog.key("y")        # "Clear upload queue?"
        time.sleep(0.3)

        # Nothing is left in the queue: the editor's lower pane is empty.
        prog.key("alt+q")
        self.shot(prog, "xfer-queue-after", 0.5)
        prog.key("Escape")
        time.sleep(0.3)
        self.quit(prog)

    def test_hostile_name_stays_inside_and_esc_leaves_no_truncated_file(self):
        # sz -f sends the whole path: the board offers an absolute name, then a large file.
        escape, big = put(self.workdir(), {"escape.txt": b"original", "huge.bin": data(8 << 20, 3)})
        board = Board([escape, big], opts="-f")
        self.addCleanup(board.close)
        prog = self.call(board)
        prog.type("g")
        wait_until(lambda: os.path.exists(prog.path("escape.txt")), lambda: "escape.txt not received", 20)
        time.sleep(1.5)
        self.shot(prog, "xfer-before-esc", 0)
        prog.key("Escape")
        self.assertNotEqual(board.wait_ended("sz", 20), ["0"])
        self.shot(prog, "xfer-cancelled", 0.5)
        with open(escape, "rb") as f:
            self.assertEqual(f.read(), b"original")   # the board's own path was not written
        with open(prog.path("escape.txt"), "rb") as f:
            self.assertEqual(f.read(), b"original")   # but the file arrived, inside
        self.assertFalse(os.path.exists(prog.path("huge.bin")))
        prog.key("Return")
        time.sleep(0.3)
        self.quit(prog)

    # Ymodem and Xmodem have no start a terminal could spot: the caller picks them in ALT-T.
    def menu(self, prog, line, shot=None):
        """ALT-T, then the menu line (0 "Zmodem: Upload" ... 9 "Xmodem: Download")."""
        prog.key("alt+t")
        time.sleep(0.5)
        prog.key(*(["Down"] * line))
        if shot:
            self.shot(prog, shot, 0.3)
        prog.key("Return")

    def test_ymodem_download_and_upload_through_the_menu(self):
        work = self.workdir()
        outbox, inbox = os.path.join(work, "outbox"), os.path.join(work, "inbox")
        downloads = {"game.zip": data(2 << 20, 4), "empty.txt": b""}
        uploads = {"mine.bin": data(300000, 5)}
        put(outbox, uploads)
        os.makedirs(inbox)
        board = Board(put(os.path.join(work, "board"), downloads), inbox, protocol="ymodem")
        self.addCleanup(board.close)
        prog = self.call(board, press_g=True)

        self.menu(prog, 3, "xy-menu")          # "Ymodem: Download"
        self.shot(prog, "xy-ymodem-progress", 1.0)
        self.assertEqual(board.wait_ended("sb"), ["0"])
        self.assert_files(prog.dir, downloads)
        self.shot(prog, "xy-ymodem-done", 0.5)
        prog.key("Return")

        # Queue the file (lines "..", "mine.bin"), then send it with Ymodem.
        self.queue(prog, outbox, ["Down", "Return", "Escape"])
        time.sleep(0.3)
        self.menu(prog, 2)                     # "Ymodem: Upload"
        self.assertEqual(board.wait_ended("rb"), ["0"])
        self.assert_files(inbox, uploads)
        self.shot(prog, "xy-ymodem-upload-done", 0.5)
        prog.key("Return", "y")                # the result, then "Clear upload queue?"
        time.sleep(0.3)
        self.quit(prog)

    def test_xmodem_download_asks_for_the_name(self):
        content = data(50000, 6)
        board = Board(put(self.workdir(), {"door.dat": content}), protocol="xmodem")
        self.addCleanup(board.close)
        prog = self.call(board, press_g=True)
        self.menu(prog, 9)                     # "Xmodem: Download"
        time.sleep(0.5)
        self.shot(prog, "xy-xmodem-name", 0)
        prog.type("saved.dat")
        prog.key("Return")
        self.assertEqual(board.wait_ended("sx"), ["0"])
        # Xmodem keeps the sender's padding.
        self.assert_files(prog.dir, {"saved.dat": content + b"\x1a" * (-len(content) % 128)})
        self.shot(prog, "xy-xmodem-done", 0.5)
        prog.key("Return")
        time.sleep(0.3)
        self.quit(prog)


def main():
    return gh.main_with_binary(sys.modules[__name__])


if __name__ == "__main__":
    sys.exit(main())
