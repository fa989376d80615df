#!/usr/bin/env python3
"""Measurements of the terminal session, run by the bench/session_*.sh scripts.

  stream [MB]   a BBS-like ANSI stream over loopback telnet, timed from the first byte sent
                until the answer to a cursor position request sent right after it arrives;
                the same stream shown by xterm for comparison (when xterm is installed)
  idle [SECS]   CPU of a connected, idle session (target: under 2% of one core)
  rss           resident memory after start-up (target: under 60 MB)

usage: session_measure.py BINARY {stream,idle,rss} [value]
"""

import os
import shutil
import socket
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "app"))
sys.path.insert(0, os.path.join(ROOT, "tools", "bbsserver"))
import gui_harness as gh  # noqa: E402
import bbsserver  # noqa: E402


def make_stream(total):
    block = bbsserver.bbs_block()
    reps = total // len(block) + 1
    return (block * reps)[:total]


class TimedServer:
    """Accepts one call, sends the stream and a cursor position request, and times the answer."""

    def __init__(self, payload):
        self.payload = payload
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(1)
        self.port = self.sock.getsockname()[1]
        self.elapsed = None
        self.ready = threading.Event()   # set once the call is up
        self.go = threading.Event()      # the measurement starts when this is set
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        conn, _ = self.sock.accept()
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        got = bytearray()
        done = threading.Event()

        def reader():
            while True:
                try:
                    data = conn.recv(65536)
                except OSError:
                    break
                if not data:
                    break
                got.extend(data)
                if self.go.is_set() and b"R" in got[mark[0]:]:
                    done.set()
            done.set()

        mark = [0]
        threading.Thread(target=reader, daemon=True).start()
        self.ready.set()
        self.go.wait()
        mark[0] = len(got)
        start = time.monotonic()
        view = memoryview(self.payload)
        for i in range(0, len(view), 1 << 16):
            conn.sendall(view[i:i + (1 << 16)])
        conn.sendall(b"\x1b[6n")
        done.wait(300)
        self.elapsed = time.monotonic() - start
        conn.close()


def lanternyx_stream(binary, display, total):
    payload = make_stream(total)
    srv = TimedServer(payload)
    with gh.Program(binary, display, ini={"win_size": 0}, args=[f"127.0.0.1:{srv.port}"]) as prog:
        prog.wait_window()
        time.sleep(0.3)
        prog.key("space")            # past the start-up picture
        srv.ready.wait(30)
        time.sleep(0.5)              # negotiation settles
        srv.go.set()
        srv.thread.join(320)
        prog.stop()
    return srv.elapsed


def xterm_stream(display, total):
    payload = make_stream(total)
    srv = TimedServer(payload)
    # A raw tty so that xterm's answer goes back at once, without line editing.
    relay = (f"exec 3<>/dev/tcp/127.0.0.1/{srv.port}; stty raw -echo; "
             f"cat <&3 & cat >&3")
    proc = subprocess.Popen(["xterm", "-geometry", "80x25", "-e", "bash", "-c", relay],
                            env=display.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        srv.ready.wait(30)
        time.sleep(1.0)
        srv.go.set()
        srv.thread.join(320)
    finally:
        proc.terminate()
        proc.wait(10)
    return srv.elapsed


def stream(binary, mb):
    total = int(mb * 1024 * 1024)
    with gh.Display(1280, 1024) as display:
        t = lanternyx_stream(binary, display, total)
        print(f"lanternyx: {mb:g} MB to the cursor position report in {t:.2f} s ({mb / t:.1f} MB/s)")
        if shutil.which("xterm"):
            x = xterm_stream(display, total)
            print(f"xterm:     {mb:g} MB to the cursor position report in {x:.2f} s ({mb / x:.1f} MB/s)")
            print(f"lanternyx is {x / t:.1f} times as fast as xterm")
        else:
            print("xterm is not installed (bash scripts/install-deps.sh adds it): no comparison")


def idle(binary, secs):
    hold = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "bbsserver", "bbsserver.py"),
                             "--quiet", "--once", "--linger", "-1", "--script", "/dev/null"],
                            stdout=subprocess.PIPE)
    port = int(hold.stdout.readline())
    try:
        with gh.Display(1280, 1024) as display, \
                gh.Program(binary, display, ini={"win_size": 0}, args=[f"127.0.0.1:{port}"]) as prog:
            prog.wait_window()
            time.sleep(0.3)
            prog.key("space")
            time.sleep(2.0)          # connected and settled
            c0, t0 = prog.cpu_seconds(), time.monotonic()
            time.sleep(secs)
            c1, t1 = prog.cpu_seconds(), time.monotonic()
            prog.stop()
            print(f"connected idle session: {c1 - c0:.2f} s CPU in {t1 - t0:.1f} s = "
                  f"{100 * (c1 - c0) / (t1 - t0):.2f}% of one core")
    finally:
        hold.terminate()
        hold.wait(5)


def rss(binary):
    # Without a GPU (as under Xvfb) probing the accelerated renderer loads Mesa's llvmpipe,
    # whose libraries stay mapped after the program falls back to software; gpu=FALSE
    # shows the program's own share.
    with gh.Display(1280, 1024) as display:
        for name, ini in (("default settings", {"win_size": 0}),
                          ("gpu=FALSE", {"win_size": 0, "gpu": "FALSE"})):
            with gh.Program(binary, display, ini=ini) as prog:
                prog.wait_window()
                time.sleep(1.0)
                prog.key("space")
                time.sleep(1.0)
                with open(f"/proc/{prog.proc.pid}/status") as f:
                    kb = next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
                prog.stop()
                print(f"resident memory after start-up, {name}: {kb / 1024:.1f} MB")


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    binary, what = sys.argv[1], sys.argv[2]
    arg = sys.argv[3] if len(sys.argv) > 3 else None
    if not gh.have_xvfb():
        print("Xvfb, xdotool or ImageMagick missing")
        return 1
    if what == "stream":
        stream(binary, float(arg or 20))
    elif what == "idle":
        idle(binary, float(arg or 10))
    elif what == "rss":
        rss(binary)
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
