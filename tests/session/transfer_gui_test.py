"""File transfers in the real program under Xvfb, against the loopback board running real sz
and rz on the connection: two files queued in the queue editor, two files downloaded by
auto-start, then the queued files uploaded when the board starts rz.

Screens are saved as screenshots under --shots (kept for a person to look at) when given.
"""

import hashlib
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "app"))
sys.path.insert(0, HERE)
import gui_harness as gh  # noqa: E402
from session_gui_test import SERVER, wait_until  # noqa: E402

BINARY = None
SHOTS = None


def sha(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def data(size, seed):
    rnd = random.Random(seed)
    return bytes(rnd.getrandbits(8) for _ in range(size))


class Board:
    """The loopback board: a greeting, a wait for "g", then sz and rz on the connection."""

    def __init__(self, send_files, receive_dir=None, opts="", protocol="zmodem"):
        self.dir = tempfile.mkdtemp(prefix="lx-bbs-")
        self.status = os.path.join(self.dir, "status")
        script = os.path.join(self.dir, "board.txt")
        with open(script, "w") as f:
            f.write("send \\e[2J\\e[1;36mLoopback Board\\e[0m\\r\\n\\r\\nPress G for the new files.\\r\\n\n"
                    "timeout 60000\n"
                    "expect g\n"
                    "send Sending 2 files, then receiving yours.\\r\\n\n")
        # Pieces of 4 KiB with a pause between them slow the download down enough to watch.
        args = [sys.executable, SERVER, "--quiet", "--once", "--script", script, "--linger", "-1",
                "--chunk", "4096", "--delay", "3", "--zmodem-status", self.status]
        if receive_dir:
            args += ["--zmodem-receive", receive_dir]
        if opts:
            args += ["--zmodem-opts=" + opts]
        args += ["--protocol", protocol]
        for f in send_files:
            args += ["--zmodem-send", f]
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE)
        self.port = int(self.proc.stdout.readline())

    def ended(self, name):
        try:
            with open(self.status) as f:
                return [line.split()[1] for line in f if line.startswith(name + " ")]
        except FileNotFoundError:
            return []

    def close(self):
        self.proc.terminate()
        self.proc.wait(5)
        self.proc.stdout.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class TransferGui(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.display = gh.Display(1280, 1024)
        cls.display.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.display.__exit__(None, None, None)

    def shot(self, prog, name, settle=0.3):
        time.sleep(settle)
        if SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
            prog.screenshot(os.path.join(SHOTS, name + ".png"))

    def test_download_by_auto_start_and_upload_from_the_queue(self):
        work = tempfile.mkdtemp(prefix="lx-xfer-")
        self.addCleanup(shutil.rmtree, work, True)
        board_files, outbox, inbox = (os.path.join(work, d) for d in ("board", "outbox", "inbox"))
        for d in (board_files, outbox, inbox):
            os.makedirs(d)
        downloads = {"big-archive.zip": data(3 << 20, 1), "readme.txt": b"Files for callers\r\n" * 50}
        uploads = {"photo.jpg": data(700000, 2), "notes.txt": b"my notes\n" * 100}
        for name, content in downloads.items():
            with open(os.path.join(board_files, name), "wb") as f:
                f.write(content)
        for name, content in uploads.items():
            with open(os.path.join(outbox, name), "wb") as f:
                f.write(content)

        board = Board([os.path.join(board_files, n) for n in downloads], inbox)
        self.addCleanup(board.close)
        prog = gh.Program(BINARY, self.display, ini={"win_size": 0}, args=[f"127.0.0.1:{board.port}"])
        self.addCleanup(prog.__exit__, None, None, None)
        prog.__enter__()
        prog.wait_window()
        time.sleep(0.5)
        prog.key("space")   # past the start-up picture
        time.sleep(1.5)

        # The queue editor: jump to the outbox, queue both files (lines: "..", notes, photo).
        prog.key("alt+q")
        time.sleep(0.5)
        prog.key("F5")
        time.sleep(0.3)
        prog.type(outbox)
        prog.key("Return")
        time.sleep(0.3)
        prog.key("Down", "Return", "Down", "Return")
        self.shot(prog, "xfer-queue-editor", 0.5)
        prog.key("Escape")
        time.sleep(0.3)

        # The board sends: the download starts by itself.
        prog.type("g")
        time.sleep(1.5)
        self.shot(prog, "xfer-download-progress", 0)
        wait_until(lambda: board.ended("sz"), lambda: "sz never ended", timeout=60)
        self.assertEqual(board.ended("sz"), ["0"])
        for name, content in downloads.items():
            wait_until(lambda: os.path.exists(prog.path(name)), lambda: f"{name} not downloaded")
            self.assertEqual(sha(prog.path(name)), hashlib.sha256(content).hexdigest(), name)
        self.shot(prog, "xfer-download-done", 0.5)
        prog.key("Return")   # the result box; the board's rz is waiting for our files

        wait_until(lambda: board.ended("rz"), lambda: "rz never ended", timeout=60)
        self.assertEqual(board.ended("rz"), ["0"])
        for name, content in uploads.items():
            self.assertEqual(sha(os.path.join(inbox, name)), hashlib.sha256(content).hexdigest(), name)
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
        prog.key("alt+x", "y", "y")     # "Disconnect?", then "Do you want to exit"
        self.assertEqual(prog.proc.wait(10), 0)

    def test_hostile_name_stays_inside_and_esc_leaves_no_truncated_file(self):
        work = tempfile.mkdtemp(prefix="lx-xfer-")
        self.addCleanup(shutil.rmtree, work, True)
        # sz -f sends the whole path: the board offers an absolute name, then a large file.
        escape = os.path.join(work, "escape.txt")
        with open(escape, "wb") as f:
            f.write(b"original")
        big = os.path.join(work, "huge.bin")
        with open(big, "wb") as f:
            f.write(data(8 << 20, 3))
        board = Board([escape, big], opts="-f")
        self.addCleanup(board.close)
        prog = gh.Program(BINARY, self.display, ini={"win_size": 0}, args=[f"127.0.0.1:{board.port}"])
        self.addCleanup(prog.__exit__, None, None, None)
        prog.__enter__()
        prog.wait_window()
        time.sleep(0.5)
        prog.key("space")
        time.sleep(1.5)
        prog.type("g")
        wait_until(lambda: os.path.exists(prog.path("escape.txt")), lambda: "escape.txt not received", 20)
        time.sleep(1.5)
        self.shot(prog, "xfer-before-esc", 0)
        prog.key("Escape")
        wait_until(lambda: board.ended("sz"), lambda: "sz never ended", timeout=20)
        self.assertNotEqual(board.ended("sz"), ["0"])
        self.shot(prog, "xfer-cancelled", 0.5)
        with open(escape, "rb") as f:
            self.assertEqual(f.read(), b"original")   # the board's own path was not written
        with open(prog.path("escape.txt"), "rb") as f:
            self.assertEqual(f.read(), b"original")   # but the file arrived, inside
        self.assertFalse(os.path.exists(prog.path("huge.bin")))
        prog.key("Return")
        time.sleep(0.3)
        prog.key("alt+x", "y", "y")
        self.assertEqual(prog.proc.wait(10), 0)


    # Ymodem and Xmodem have no start a terminal could spot: the caller picks them in ALT-T.
    def start(self, board):
        prog = gh.Program(BINARY, self.display, ini={"win_size": 0}, args=[f"127.0.0.1:{board.port}"])
        self.addCleanup(prog.__exit__, None, None, None)
        prog.__enter__()
        prog.wait_window()
        time.sleep(0.5)
        prog.key("space")
        time.sleep(1.5)
        prog.type("g")
        time.sleep(0.5)
        return prog

    def menu(self, prog, line, shot=None):
        """ALT-T, then the menu line (0 "Zmodem: Upload" ... 9 "Xmodem: Download")."""
        prog.key("alt+t")
        time.sleep(0.5)
        prog.key(*(["Down"] * line))
        if shot:
            self.shot(prog, shot, 0.3)
        prog.key("Return")

    def test_ymodem_download_and_upload_through_the_menu(self):
        work = tempfile.mkdtemp(prefix="lx-xfer-")
        self.addCleanup(shutil.rmtree, work, True)
        board_files, outbox, inbox = (os.path.join(work, d) for d in ("board", "outbox", "inbox"))
        for d in (board_files, outbox, inbox):
            os.makedirs(d)
        downloads = {"game.zip": data(2 << 20, 4), "empty.txt": b""}
        for name, content in downloads.items():
            with open(os.path.join(board_files, name), "wb") as f:
                f.write(content)
        upload = data(300000, 5)
        with open(os.path.join(outbox, "mine.bin"), "wb") as f:
            f.write(upload)
        board = Board([os.path.join(board_files, n) for n in downloads], inbox, protocol="ymodem")
        self.addCleanup(board.close)
        prog = self.start(board)

        self.menu(prog, 3, "xy-menu")          # "Ymodem: Download"
        self.shot(prog, "xy-ymodem-progress", 1.0)
        wait_until(lambda: board.ended("sb"), lambda: "sb never ended", timeout=60)
        self.assertEqual(board.ended("sb"), ["0"])
        for name, content in downloads.items():
            wait_until(lambda: os.path.exists(prog.path(name)), lambda: f"{name} not downloaded")
            self.assertEqual(sha(prog.path(name)), hashlib.sha256(content).hexdigest(), name)
        self.shot(prog, "xy-ymodem-done", 0.5)
        prog.key("Return")

        # Queue the file (F5 to the outbox; lines "..", "mine.bin"), then send it with Ymodem.
        prog.key("alt+q")
        time.sleep(0.5)
        prog.key("F5")
        time.sleep(0.3)
        prog.type(outbox)
        prog.key("Return")
        time.sleep(0.3)
        prog.key("Down", "Return", "Escape")
        time.sleep(0.3)
        self.menu(prog, 2)                     # "Ymodem: Upload"
        wait_until(lambda: board.ended("rb"), lambda: "rb never ended", timeout=60)
        self.assertEqual(board.ended("rb"), ["0"])
        self.assertEqual(sha(os.path.join(inbox, "mine.bin")), hashlib.sha256(upload).hexdigest())
        self.shot(prog, "xy-ymodem-upload-done", 0.5)
        prog.key("Return", "y")                # the result, then "Clear upload queue?"
        time.sleep(0.3)
        prog.key("alt+x", "y", "y")
        self.assertEqual(prog.proc.wait(10), 0)

    def test_xmodem_download_asks_for_the_name(self):
        work = tempfile.mkdtemp(prefix="lx-xfer-")
        self.addCleanup(shutil.rmtree, work, True)
        content = data(50000, 6)
        src = os.path.join(work, "door.dat")
        with open(src, "wb") as f:
            f.write(content)
        board = Board([src], protocol="xmodem")
        self.addCleanup(board.close)
        prog = self.start(board)
        self.menu(prog, 9)                     # "Xmodem: Download"
        time.sleep(0.5)
        self.shot(prog, "xy-xmodem-name", 0)
        prog.type("saved.dat")
        prog.key("Return")
        wait_until(lambda: board.ended("sx"), lambda: "sx never ended", timeout=60)
        self.assertEqual(board.ended("sx"), ["0"])
        wait_until(lambda: os.path.exists(prog.path("saved.dat")), lambda: "saved.dat not downloaded")
        padded = content + b"\x1a" * (-len(content) % 128)   # Xmodem keeps the sender's padding
        self.assertEqual(sha(prog.path("saved.dat")), hashlib.sha256(padded).hexdigest())
        self.shot(prog, "xy-xmodem-done", 0.5)
        prog.key("Return")
        time.sleep(0.3)
        prog.key("alt+x", "y", "y")
        self.assertEqual(prog.proc.wait(10), 0)


def main():
    return gh.main_with_binary(sys.modules[__name__])


if __name__ == "__main__":
    sys.exit(main())
