#!/usr/bin/env python3
"""Measurements of the terminal session, run by the bench/session_*.sh scripts.

  stream [MB]   a BBS-like ANSI stream over loopback telnet, timed from the first byte sent
                until the answer to a cursor position request sent right after it arrives, at
                80x25 font 1 and 160x60 font 3 (and 160x60 once more with a stream that
                scrolls every line); the same streams shown by xterm for comparison (when
                xterm is installed). Target: at least 20 times as fast as xterm at 80x25.
  idle [SECS]   CPU of the idle program at both sizes: the window alone and a connected, idle
                session. Targets: at most 1% of one core at 80x25, 2% at 160x60 font 3
  window [SECS] the window-alone half of idle
  rss           resident memory after start-up (target: under 60 MB)
  pace [SECS]   a phone-book entry at 9600 bps and SECS seconds' worth of the BBS-like stream
                (960 bytes a second) with a cursor position request at its end: the pacing
                error (the answer's time against SECS) and the program's CPU while pacing, at
                80x25 font 1. Targets: error under 1%, CPU under 2% of one core.

usage: session_measure.py BINARY[,BINARY...] {stream,idle,window,rss,pace} [value] [repeat]
With repeat > 1 every case runs that many times and the median is shown. Several binaries
(e.g. before and after a change) take turns within each repeat of a case.
"""

import os
import re
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


# Screen sizes measured: name, INI settings, xterm geometry.
SIZES = [
    ("80x25 font 1", {"win_size": 0}, "80x25"),
    ("160x60 font 3", {"win_size": 0, "column_size": 160, "row_size": 60, "upscale": 1}, "160x60"),
]
DISPLAY = (2600, 2000)   # room for a 160x60 window in the 16x32 font


def make_stream(total, scrolling=False):
    """The BBS-like stream; scrolling drops its cursor placements, so every line scrolls."""
    block = bbsserver.bbs_block()
    if scrolling:
        block = re.sub(rb"\x1b\[\d+;1H", b"", block)
    reps = total // len(block) + 1
    stream = (block * reps)[:total]
    # End on a line end: a sequence cut in two would swallow the cursor position request.
    return stream[:stream.rfind(b"\r\n") + 2]


def median(values):
    v = sorted(values)
    n = len(v)
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2


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
        self.sock.settimeout(60)
        try:
            conn, _ = self.sock.accept()
        except OSError:
            self.ready.set()
            return
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
        if not self.go.wait(60):
            conn.close()
            return
        mark[0] = len(got)
        start = time.monotonic()
        view = memoryview(self.payload)
        for i in range(0, len(view), 1 << 16):
            conn.sendall(view[i:i + (1 << 16)])
        conn.sendall(b"\x1b[6n")
        if done.wait(300):
            self.elapsed = time.monotonic() - start
        conn.close()


def lanternyx_stream(binary, display, payload, ini):
    srv = TimedServer(payload)
    with gh.Program(binary, display, ini=ini, args=[f"127.0.0.1:{srv.port}"]) as prog:
        prog.wait_window()
        time.sleep(0.3)
        prog.key("space")            # past the start-up picture
        srv.ready.wait(30)
        time.sleep(0.5)              # negotiation settles
        srv.go.set()
        srv.thread.join(320)
        prog.stop()
    return srv.elapsed


def xterm_stream(display, payload, geometry):
    srv = TimedServer(payload)
    # A raw tty so that xterm's answer goes back at once, without line editing.
    relay = (f"exec 3<>/dev/tcp/127.0.0.1/{srv.port}; stty raw -echo; "
             f"cat <&3 & cat >&3")
    proc = subprocess.Popen(["xterm", "-geometry", geometry, "-e", "bash", "-c", relay],
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


def fmt_times(name, mb, times):
    good = [t for t in times if t]
    if not good:
        return f"{name}: no answer to the cursor position request"
    m = median(good)
    runs = ", ".join(f"{t:.2f}" if t else "none" for t in times)
    return f"{name}: {mb:g} MB to the cursor position report in {m:.2f} s ({mb / m:.1f} MB/s; runs {runs})"


def stream(binaries, mb, repeat):
    """Both screen sizes with the BBS stream, and 160x60 once more with a stream that scrolls.
    Several binaries take turns within each repeat."""
    total = int(mb * 1024 * 1024)
    # LX_BENCH_NO_XTERM=1 measures lanternyx alone (quicker while working on it).
    have_xterm = shutil.which("xterm") is not None and not os.environ.get("LX_BENCH_NO_XTERM")
    cases = [(f"{SIZES[0][0]}", SIZES[0], False), (f"{SIZES[1][0]}", SIZES[1], False),
             (f"{SIZES[1][0]}, scrolling", SIZES[1], True)]
    with gh.Display(*DISPLAY) as display:
        for label, (_, ini, geometry), scrolling in cases:
            payload = make_stream(total, scrolling)
            ours = [[] for _ in binaries]
            theirs = []
            for _ in range(repeat):
                for i, binary in enumerate(binaries):
                    ours[i].append(lanternyx_stream(binary, display, payload, ini))
                if have_xterm:
                    theirs.append(xterm_stream(display, payload, geometry))
            for i, binary in enumerate(binaries):
                who = f" [{binary}]" if len(binaries) > 1 else ""
                print(fmt_times(f"lanternyx {label}{who}", mb, ours[i]), flush=True)
            if not have_xterm:
                continue
            print(fmt_times(f"xterm     {label}", mb, theirs), flush=True)
            b = [t for t in theirs if t]
            for i, binary in enumerate(binaries):
                a = [t for t in ours[i] if t]
                if a and b:
                    who = f" [{binary}]" if len(binaries) > 1 else ""
                    print(f"  lanternyx{who} is {median(b) / median(a):.1f} times as fast as xterm", flush=True)
    if not have_xterm and not os.environ.get("LX_BENCH_NO_XTERM"):
        print("xterm is not installed (bash scripts/install-deps.sh adds it): no comparison")


def thread_cpu(pid):
    """CPU seconds so far of each thread of pid, by thread name."""
    out = {}
    tick = os.sysconf("SC_CLK_TCK")
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/comm") as f:
                name = f.read().strip()
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        name = "main" if tid == str(pid) else name
        out[name] = out.get(name, 0) + (int(fields[11]) + int(fields[12])) / tick
    return out


def cpu_share(prog, secs, threads=None):
    """Share of one core over secs; threads, when given, gets the share of each thread."""
    c0, t0, p0 = prog.cpu_seconds(), time.monotonic(), thread_cpu(prog.proc.pid)
    time.sleep(secs)
    c1, t1, p1 = prog.cpu_seconds(), time.monotonic(), thread_cpu(prog.proc.pid)
    if threads is not None:
        for name, v in p1.items():
            threads[name] = threads.get(name, 0) + 100 * (v - p0.get(name, 0)) / (t1 - t0)
    return 100 * (c1 - c0) / (t1 - t0)


def idle_once(binary, display, ini, secs, connected, threads=None):
    hold = None
    args = []
    if connected:
        hold = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "bbsserver", "bbsserver.py"),
                                 "--quiet", "--once", "--linger", "-1", "--script", "/dev/null"],
                                stdout=subprocess.PIPE)
        args = [f"127.0.0.1:{int(hold.stdout.readline())}"]
    try:
        with gh.Program(binary, display, ini=ini, args=args) as prog:
            prog.wait_window()
            time.sleep(0.3)
            prog.key("space")        # past the start-up picture
            time.sleep(2.0)          # connected (or at the terminal-ready screen) and settled
            share = cpu_share(prog, secs, threads)
            prog.stop()
            return share
    finally:
        if hold:
            hold.terminate()
            hold.wait(5)


def idle(binaries, secs, repeat, which=("window", "connected")):
    """CPU of the idle program: the window alone and a connected, idle session, at each size.
    Targets: at most 1% of one core at 80x25 and 2% at 160x60 font 3. Several binaries take
    turns within each repeat, so they see the same machine."""
    with gh.Display(*DISPLAY) as display:
        for size, ini, _ in SIZES:
            for kind in which:
                threads = [{} for _ in binaries]
                shares = [[] for _ in binaries]
                for _ in range(repeat):
                    for i, binary in enumerate(binaries):
                        shares[i].append(idle_once(binary, display, ini, secs, kind == "connected", threads[i]))
                label = "window alone" if kind == "window" else "connected idle"
                for i, binary in enumerate(binaries):
                    runs = ", ".join(f"{s:.2f}" for s in shares[i])
                    split = ", ".join(f"{n} {v / repeat:.2f}" for n, v in sorted(threads[i].items()) if v > 0)
                    who = f" [{binary}]" if len(binaries) > 1 else ""
                    print(f"{size}, {label}{who}: {median(shares[i]):.2f}% of one core over {secs:g} s "
                          f"(median; runs {runs}; mean by thread: {split})", flush=True)


def pace_once(binary, display, secs):
    """One paced run: (pacing error in percent, CPU share in percent of one core)."""
    from book_file import book, entry
    total = int(secs * 960)                       # 9600 bps: 960 bytes a second
    stream = make_stream(total)
    payload = (stream + b"x" * total)[:total - 4]  # the request's 4 bytes complete the total
    srv = TimedServer(payload)
    files = {"lanternyx.phn": book([entry("Paced", f"127.0.0.1:{srv.port}", speed=6)])}
    with gh.Program(binary, display, ini=SIZES[0][1], files=files) as prog:
        prog.wait_window()
        time.sleep(0.3)
        prog.key("space")            # past the start-up picture
        prog.key("alt+d")
        time.sleep(0.5)
        prog.key("Return")
        srv.ready.wait(30)
        time.sleep(0.5)              # negotiation settles
        c0, p0 = prog.cpu_seconds(), thread_cpu(prog.proc.pid)
        srv.go.set()
        srv.thread.join(secs * 2 + 60)
        used, p1 = prog.cpu_seconds() - c0, thread_cpu(prog.proc.pid)
        prog.stop()
    if srv.elapsed is None:
        return None, None, {}
    threads = {n: 100 * (v - p0.get(n, 0)) / srv.elapsed for n, v in p1.items()}
    return 100 * (srv.elapsed - secs) / secs, 100 * used / srv.elapsed, threads


def pace(binaries, secs, repeat):
    with gh.Display(*DISPLAY) as display:
        for binary in binaries:
            errors, cpus, split = [], [], {}
            for _ in range(repeat):
                e, c, threads = pace_once(binary, display, secs)
                for n, v in threads.items():
                    split[n] = split.get(n, 0) + v / repeat
                if e is None:
                    print(f"no answer to the cursor position request [{binary}]", flush=True)
                    continue
                errors.append(e)
                cpus.append(c)
            if errors:
                who = f" [{binary}]" if len(binaries) > 1 else ""
                runs = ", ".join(f"{e:+.2f}%/{c:.2f}%" for e, c in zip(errors, cpus))
                by = ", ".join(f"{n} {v:.2f}" for n, v in sorted(split.items()) if v > 0)
                print(f"9600 bps for {secs:g} s{who}: pacing error {median(errors):+.2f}%, CPU "
                      f"{median(cpus):.2f}% of one core (median; runs error/CPU {runs}; mean by thread: {by})",
                      flush=True)


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
    binaries, what = sys.argv[1].split(","), sys.argv[2]
    binary = binaries[0]
    arg = sys.argv[3] if len(sys.argv) > 3 else None
    repeat = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    if not gh.have_xvfb():
        print("Xvfb, xdotool or ImageMagick missing")
        return 1
    if what == "stream":
        stream(binaries, float(arg or 20), repeat)
    elif what == "idle":
        idle(binaries, float(arg or 20), repeat)
    elif what == "window":
        idle(binaries, float(arg or 20), repeat, which=("window",))
    elif what == "rss":
        rss(binary)
    elif what == "pace":
        pace(binaries, float(arg or 60), repeat)
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
