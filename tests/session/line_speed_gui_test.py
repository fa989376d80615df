"""Modem-speed playback in the real program under Xvfb: a phone-book entry at 2400 bps, a
board that sends 2,400 bytes of text and then asks for the cursor position, and the time its
answer takes; the board switching to 9600 bps with CSI 0;6*r in the middle of its text.

Times are counted by the test's own board from the moment it sent the first byte; the
screenshots at 2 s and 6 s are measured by the share of text cells they show.
"""

import os
import socket
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "app"))
import gui_harness as gh  # noqa: E402
from book_file import book, entry  # noqa: E402

BINARY = None
SHOTS = None
LINE = b"ABCDEFGHIJKLMNOPQRSTUVWXYZ" * 3  # 78 inked cells, then CR LF: 80 bytes a line


class TimedBoard:
    """Sends its payload and a cursor position request at once to the one caller, and notes
    when the first byte went out and when the answer came back."""

    def __init__(self, payload):
        self.payload = payload + b"\x1b[6n"
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(1)
        self.sock.settimeout(30)
        self.port = self.sock.getsockname()[1]
        self.sent = threading.Event()
        self.start = None
        self.answer = None
        threading.Thread(target=self.run, daemon=True).start()

    def run(self):
        try:
            conn, _ = self.sock.accept()
        except OSError:
            return
        conn.settimeout(1)
        got = bytearray()
        # The program shows "Connected!" for half a second before its session takes over.
        time.sleep(1.0)
        self.start = time.monotonic()
        self.sent.set()
        conn.sendall(self.payload)
        end = self.start + 60
        while time.monotonic() < end and self.answer is None:
            try:
                data = conn.recv(4096)
            except socket.timeout:
                continue
            except OSError:
                break
            if not data:
                break
            got += data
            at = got.find(b"\x1b[")
            if at >= 0 and b"R" in got[at:]:
                self.answer = time.monotonic() - self.start
        time.sleep(0.5)
        conn.close()

    def close(self):
        self.sock.close()


def inked_cells(png, rows=24):
    """Cells of the 80 x rows text area (8x16 font, window at scale 1) with any lit pixel."""
    import subprocess
    raw = subprocess.run(["convert", png, "-crop", f"640x{rows * 16}+0+0", "-depth", "8", "gray:-"],
                         capture_output=True, check=True).stdout
    count = 0
    for cy in range(rows):
        for cx in range(80):
            lit = False
            for y in range(cy * 16, cy * 16 + 16):
                row = raw[y * 640 + cx * 8: y * 640 + cx * 8 + 8]
                if any(row):
                    lit = True
                    break
            count += lit
    return count


class LineSpeed(gh.GuiTest):
    def dial(self, payload, speed):
        board = TimedBoard(payload)
        self.addCleanup(board.close)
        prog = self.directory(book([entry("Modem Board", f"127.0.0.1:{board.port}", speed=speed)]))
        time.sleep(0.1)
        prog.key("Return")
        self.assertTrue(board.sent.wait(20), "the program never called")
        return board, prog

    def shot_at(self, prog, board, seconds, name):
        time.sleep(max(0.0, board.start + seconds - time.monotonic()))
        path = os.path.join(SHOTS or prog.dir, name + ".png")
        if SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
        prog.screenshot(path)
        return inked_cells(path)

    def wait_answer(self, board, limit):
        end = time.monotonic() + limit
        while board.answer is None and time.monotonic() < end:
            time.sleep(0.05)
        self.assertIsNotNone(board.answer, "no cursor position report")
        return board.answer

    def test_2400_bps_fills_evenly_and_answers_after_ten_seconds(self):
        board, prog = self.dial(b"\r\n".join([LINE] * 30) + b"\r\n", 4)
        total = 30 * len(LINE)
        at2 = self.shot_at(prog, board, 2.0, "2400bps-2s") / total
        at6 = self.shot_at(prog, board, 6.0, "2400bps-6s") / total
        took = self.wait_answer(board, 20)
        # 2,404 bytes at 240 a second: 10.02 s. The screenshots take a moment themselves.
        self.assertAlmostEqual(took, 10.0, delta=1.0)
        self.assertAlmostEqual(at2, 0.20, delta=0.04, msg=f"at 2 s {at2:.0%} shown")
        self.assertAlmostEqual(at6, 0.60, delta=0.04, msg=f"at 6 s {at6:.0%} shown")

    def test_the_board_switches_to_9600_bps_mid_stream(self):
        # 1,207 bytes at 2400 bps (5.03 s), then 2,404 at 9600 bps (2.5 s): 7.53 s, not 15.
        half = b"".join([LINE + b"\r\n"] * 15)
        board, prog = self.dial(half + b"\x1b[0;6*r" + half + half, 4)
        took = self.wait_answer(board, 25)
        self.shot_at(prog, board, took, "9600bps-switched")
        self.assertAlmostEqual(took, 1207 / 240 + 2404 / 960, delta=0.75)


def main():
    return gh.main_with_binary(sys.modules[__name__])


if __name__ == "__main__":
    sys.exit(main())
