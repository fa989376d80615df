#!/usr/bin/env python3
"""Loopback BBS: a small telnet (or raw TCP) server for tests, benchmarks and demos.

It listens on 127.0.0.1 and ::1 on the same port and prints that port number as the first line
of standard output (and writes it to --port-file when given). Everything else it says goes to
standard error. Each connection is served on its own thread; the server runs until killed
(SIGTERM/SIGINT) unless --once is given.

Usage: bbsserver.py [options]

  --host ADDR       listen on ADDR only (repeatable); default 127.0.0.1 and ::1
  --port N          port to listen on; default 0 = a free port
  --port-file PATH  also write the port number (and a newline) to PATH
  --raw             plain TCP: no telnet negotiation, no IAC doubling, no answers
  --no-negotiate    telnet, but send no opening negotiation and answer nothing by itself
  --record PATH     write every byte the client sends to PATH, flushed as it arrives
                    (all connections, in order of arrival)
  --replay PATH     send the bytes of PATH after the opening, then close
  --script PATH     run a byte script (below) after the opening, then close
  --stream BYTES    send BYTES of generated BBS-like ANSI (colours, cursor moves, code page 437
                    blocks, 256-colour codes, CR LF), then close; suffixes k and m allowed
  --chunk N         split every write into pieces of at most N bytes
  --delay MS        pause MS milliseconds between those pieces
  --linger MS       after a replay, script or stream, wait MS milliseconds before closing;
                    -1 keeps the connection open until the client closes (default 0)
  --zmodem-send FILE
                    after the opening (and the script, when given) run "sz FILE..." on the
                    connection (repeatable; all files in one batch), then linger
  --zmodem-receive DIR
                    the same with "rz" receiving into DIR (after sz when both are given)
  --zmodem-opts=OPTS
                    extra options for sz or rz, split at spaces (e.g. "-f" or "-r")
  --zmodem-status PATH
                    append "sz CODE" or "rz CODE" (and a newline) to PATH as each one ends
  --protocol NAME   zmodem (default), ymodem or xmodem: the Zmodem modes then run lrzsz's sb and
                    rb, or sx and rx (sx sends the first file; rx saves as --xmodem-name)
  --xmodem-name NAME
                    the name rx saves an Xmodem upload as, in the receive directory
                    (default "upload.bin")
  --pty CMD         run CMD (split at spaces) on a pseudo-terminal of the size the client
                    reports (NAWS; 80x24 without one) and relay it both ways until it ends,
                    as a shell behind a board does (e.g. --pty vttest)
  --pty-term NAME   TERM for that program (default vt102)
  --pty-log PATH    write every byte the program sends to PATH, flushed as it comes
  --once            serve one connection, then exit
  --quiet           say nothing on standard error

In telnet mode sz and rz see the clean byte stream: the server doubles their 255s and takes
the client's telnet commands out, as a board's telnet front end does.

With none of --replay, --script, --stream or the Zmodem modes a demo session runs: an ANSI art welcome screen,
a cursor position query, then a prompt that echoes what is typed (Q ends the call).

Telnet opening (unless --raw or --no-negotiate): IAC DO TERMINAL-TYPE, IAC DO NAWS, IAC WILL ECHO,
IAC WILL SUPPRESS-GO-AHEAD. When the client answers IAC WILL TERMINAL-TYPE the server asks for the
name (IAC SB 24 1 IAC SE). Terminal type and window size received are reported on standard error.

Byte script: one command per line; blank lines and lines starting with # are ignored.
TEXT takes the escapes \\e (ESC) \\r \\n \\t \\0 \\\\ and \\xNN; HEX is pairs of hex digits, spaces
allowed.
  send TEXT       send TEXT; in telnet mode every 255 is doubled
  raw HEX         send bytes exactly as given (telnet commands), e.g. "raw ff fd 18"
  file PATH       send a file's bytes (relative paths from the script's folder), doubled as send
  sleep MS        pause
  expect TEXT     wait until the client has sent TEXT (raw bytes, searched in what arrived since
                  the previous expect); on time-out the connection is closed
  expecthex HEX   the same with the bytes given in hex
  timeout MS      time-out for the following expects (default 5000)
  chunk N         from here on split writes into pieces of at most N bytes (0: no split)
  delay MS        from here on pause between pieces
  close           close the connection now
  hold            keep the connection open until the client closes

Example from a test (the first line of stdout is the port):
  python3 tools/bbsserver/bbsserver.py --once --record /tmp/rec --script case.txt
"""

import argparse
import os
import signal
import socket
import sys
import threading
import time

IAC, DONT, DO, WONT, WILL, SB, SE = 255, 254, 253, 252, 251, 250, 240
OPT_ECHO, OPT_SGA, OPT_TTYPE, OPT_NAWS = 1, 3, 24, 31

QUIET = False


def log(*parts):
    if not QUIET:
        print("bbsserver:", *parts, file=sys.stderr, flush=True)


def unescape(text):
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 >= len(text):
            out += c.encode("latin-1", errors="replace")
            i += 1
            continue
        n = text[i + 1]
        i += 2
        if n == "e":
            out.append(27)
        elif n == "r":
            out.append(13)
        elif n == "n":
            out.append(10)
        elif n == "t":
            out.append(9)
        elif n == "0":
            out.append(0)
        elif n == "x" and i + 2 <= len(text):
            out.append(int(text[i:i + 2], 16))
            i += 2
        else:
            out += n.encode("latin-1", errors="replace")
    return bytes(out)


def parse_hex(text):
    return bytes.fromhex(text.replace(" ", ""))


def parse_size(text):
    text = text.strip().lower()
    scale = 1
    if text.endswith("k"):
        scale, text = 1024, text[:-1]
    elif text.endswith("m"):
        scale, text = 1024 * 1024, text[:-1]
    return int(text) * scale


class Recorder:
    """Every byte any client sends, in arrival order, flushed at once so a test can read it."""

    def __init__(self, path):
        self.lock = threading.Lock()
        self.file = open(path, "wb") if path else None

    def write(self, data):
        if self.file:
            with self.lock:
                self.file.write(data)
                self.file.flush()


class Session:
    def __init__(self, conn, args, recorder):
        self.conn = conn
        self.args = args
        self.recorder = recorder
        self.telnet = not args.raw
        self.answer = self.telnet and not args.no_negotiate
        self.chunk = args.chunk
        self.delay = args.delay / 1000.0
        self.expect_timeout = 5.0
        self.send_lock = threading.Lock()
        self.cond = threading.Condition()
        self.received = bytearray()  # since the last expect
        self.data = bytearray()  # client bytes with telnet commands removed
        self.closed = False
        # client-side telnet parser, only to report what the client told us
        self.state = 0
        self.cmd = 0
        self.sub = bytearray()
        self.window = None  # (columns, rows) from NAWS

    # -- sending --
    def send_raw(self, data):
        with self.send_lock:
            step = self.chunk if self.chunk > 0 else len(data) or 1
            for pos in range(0, len(data), step):
                self.conn.sendall(data[pos:pos + step])
                if self.delay > 0 and pos + step < len(data):
                    time.sleep(self.delay)

    def send(self, data):
        if self.telnet:
            data = data.replace(b"\xff", b"\xff\xff")
        self.send_raw(data)

    # -- receiving --
    def reader(self):
        try:
            while True:
                data = self.conn.recv(65536)
                if not data:
                    break
                self.recorder.write(data)
                if self.telnet:
                    self.parse(data)
                with self.cond:
                    self.received += data
                    if not self.telnet:
                        self.data += data
                    self.cond.notify_all()
        except OSError:
            pass
        with self.cond:
            self.closed = True
            self.cond.notify_all()

    def parse(self, data):
        for b in data:
            if self.state == 0:
                if b == IAC:
                    self.state = 1
                else:
                    with self.cond:
                        self.data.append(b)
            elif self.state == 1:
                if SB <= b <= DONT:
                    self.cmd, self.state = b, 2
                else:
                    if b == IAC:
                        with self.cond:
                            self.data.append(b)
                    self.state = 0
            elif self.state == 2:
                self.state = 0
                if self.cmd == SB:
                    self.sub = bytearray([b])
                    self.state = 3
                elif self.cmd == WILL and b == OPT_TTYPE and self.answer:
                    # The session may have half-closed by now: the question is moot then, but
                    # the reading must go on until the client closes, or closing with its
                    # unread bytes would reset the link and lose what it has not read yet.
                    try:
                        self.send_raw(bytes([IAC, SB, OPT_TTYPE, 1, IAC, SE]))
                    except OSError:
                        pass
            elif self.state == 3:
                if b == IAC:
                    self.state = 4
                elif len(self.sub) < 1024:
                    self.sub.append(b)
            elif self.state == 4:
                if b == SE:
                    self.report_sub(bytes(self.sub))
                    self.state = 0
                else:
                    if b == IAC and len(self.sub) < 1024:
                        self.sub.append(b)
                    self.state = 3

    def report_sub(self, sub):
        if sub[:2] == bytes([OPT_TTYPE, 0]):
            log("terminal type", sub[2:].rstrip(b"\0").decode("latin-1"))
        elif sub[:1] == bytes([OPT_NAWS]) and len(sub) >= 5:
            with self.cond:
                self.window = (sub[1] * 256 + sub[2], sub[3] * 256 + sub[4])
                self.cond.notify_all()
            log("window %dx%d" % self.window)

    def expect(self, wanted):
        deadline = time.monotonic() + self.expect_timeout
        with self.cond:
            while True:
                pos = self.received.find(wanted)
                if pos >= 0:
                    del self.received[:pos + len(wanted)]
                    return True
                left = deadline - time.monotonic()
                if self.closed or left <= 0:
                    log("expect failed:", repr(wanted), "got", repr(bytes(self.received)))
                    return False
                self.cond.wait(left)

    def wait_closed(self):
        with self.cond:
            while not self.closed:
                self.cond.wait()

    def linger(self):
        if self.args.linger < 0:
            self.wait_closed()
        elif self.args.linger > 0:
            with self.cond:
                self.cond.wait_for(lambda: self.closed, self.args.linger / 1000.0)

    # -- the session --
    def run(self):
        threading.Thread(target=self.reader, daemon=True).start()
        if self.answer:
            self.send_raw(bytes([IAC, DO, OPT_TTYPE, IAC, DO, OPT_NAWS, IAC, WILL, OPT_ECHO, IAC, WILL, OPT_SGA]))
        if self.args.pty:
            self.pty_relay(self.args.pty.split())
            return
        zmodem = self.args.zmodem_send or self.args.zmodem_receive
        if self.args.script:
            if not self.run_script(self.args.script, not zmodem):
                return
        if zmodem:
            # A board's download, then its upload, as a caller would pick them in turn.
            send, receive = {"zmodem": ("sz", "rz"), "ymodem": ("sb", "rb"), "xmodem": ("sx", "rx")}[self.args.protocol]
            opts = self.args.zmodem_opts.split()
            if self.args.zmodem_send:
                files = list(self.args.zmodem_send)[:1 if send == "sx" else None]
                self.zmodem([send] + opts + files, None)
            if self.args.zmodem_receive and not self.closed:
                name = [self.args.xmodem_name] if receive == "rx" else []
                self.zmodem([receive] + opts + name, self.args.zmodem_receive)
            self.linger()
            return
        if self.args.script:
            return
        if self.args.replay:
            with open(self.args.replay, "rb") as f:
                self.send(f.read())
            self.linger()
            return
        if self.args.stream:
            self.stream(self.args.stream)
            self.linger()
            return
        self.demo()

    def zmodem(self, cmd, cwd):
        import subprocess
        with self.cond:
            self.data.clear()
        log("running", " ".join(cmd))
        proc = subprocess.Popen(cmd, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        done = threading.Event()

        def pump_in():
            # What the client sends (telnet commands already taken out) goes to the program.
            while True:
                with self.cond:
                    self.cond.wait_for(lambda: self.data or self.closed or done.is_set(), 0.2)
                    chunk = bytes(self.data)
                    self.data.clear()
                    ended = self.closed or done.is_set()
                if chunk:
                    try:
                        proc.stdin.write(chunk)
                        proc.stdin.flush()
                    except OSError:
                        return
                if ended and not chunk:
                    if self.closed:
                        try:
                            proc.stdin.close()
                        except OSError:
                            pass
                    return

        pump = threading.Thread(target=pump_in, daemon=True)
        pump.start()
        try:
            while True:
                out = os.read(proc.stdout.fileno(), 65536)
                if not out:
                    break
                self.send(out)
        except OSError as e:
            log("zmodem relay:", e)
            proc.kill()
        code = proc.wait()
        done.set()
        with self.cond:
            self.cond.notify_all()
        pump.join(5)
        log("zmodem program ended with", code)
        if self.args.zmodem_status:
            with open(self.args.zmodem_status, "a") as f:
                f.write("%s %d\n" % (cmd[0], code))

    def pty_relay(self, cmd):
        import fcntl
        import pty
        import struct
        import subprocess
        import termios
        with self.cond:
            self.cond.wait_for(lambda: self.window or self.closed, 1.0)
            cols, rows = self.window or (80, 24)
            self.data.clear()
        master, slave = pty.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", rows, cols, 0, 0))
        env = dict(os.environ, TERM=self.args.pty_term, LINES=str(rows), COLUMNS=str(cols))
        # setsid --ctty: the pseudo-terminal becomes the program's controlling terminal.
        proc = subprocess.Popen(["setsid", "--ctty"] + cmd, stdin=slave, stdout=slave, stderr=slave,
                                env=env, close_fds=True)
        os.close(slave)
        log("running", " ".join(cmd), "on a %dx%d terminal" % (cols, rows))
        out_log = open(self.args.pty_log, "wb") if self.args.pty_log else None

        def pump_in():
            while proc.poll() is None:
                with self.cond:
                    self.cond.wait_for(lambda: self.data or self.closed, 0.2)
                    chunk = bytes(self.data)
                    self.data.clear()
                    closed = self.closed
                if chunk:
                    try:
                        os.write(master, chunk)
                    except OSError:
                        return
                if closed:
                    proc.terminate()
                    return

        threading.Thread(target=pump_in, daemon=True).start()
        try:
            while True:
                try:
                    out = os.read(master, 65536)
                except OSError:  # EIO once the program has ended
                    break
                if not out:
                    break
                if out_log:
                    out_log.write(out)
                    out_log.flush()
                self.send(out)
        finally:
            if proc.poll() is None:
                proc.terminate()
            proc.wait(5)
            os.close(master)
            if out_log:
                out_log.close()
        log("program ended with", proc.returncode)

    def run_script(self, path, linger=True):
        """Runs the byte script; False when it ended the call (close, hold, a failed expect)."""
        base = os.path.dirname(os.path.abspath(path))
        with open(path, "r", encoding="latin-1") as f:
            lines = f.read().splitlines()
        for number, line in enumerate(lines, 1):
            stripped = line.strip()
            if not stripped or stripped.startswith("#"):
                continue
            word, _, rest = stripped.partition(" ")
            if word == "send":
                self.send(unescape(line.split("send ", 1)[1] if "send " in line else ""))
            elif word == "raw":
                self.send_raw(parse_hex(rest))
            elif word == "file":
                target = rest if os.path.isabs(rest) else os.path.join(base, rest)
                with open(target, "rb") as f:
                    self.send(f.read())
            elif word == "sleep":
                time.sleep(int(rest) / 1000.0)
            elif word == "expect":
                if not self.expect(unescape(line.split("expect ", 1)[1])):
                    return False
            elif word == "expecthex":
                if not self.expect(parse_hex(rest)):
                    return False
            elif word == "timeout":
                self.expect_timeout = int(rest) / 1000.0
            elif word == "chunk":
                self.chunk = int(rest)
            elif word == "delay":
                self.delay = int(rest) / 1000.0
            elif word == "close":
                return False
            elif word == "hold":
                self.wait_closed()
                return False
            else:
                log("%s:%d: unknown command %r" % (path, number, word))
                return False
        if linger:
            self.linger()
        return True

    def stream(self, total):
        block = bbs_block()
        sent = 0
        while sent < total:
            piece = block[:total - sent]
            self.send(piece)
            sent += len(piece)

    def demo(self):
        self.send(demo_screen())
        self.send(b"\x1b[6n")
        self.send(b"\x1b[22;1H\x1b[0;1;37mType something (Q hangs up): \x1b[0;36m")
        while True:
            with self.cond:
                self.cond.wait_for(lambda: self.data or self.closed)
                if not self.data and self.closed:
                    return
                typed = bytes(self.data)
                self.data.clear()
            typed = strip_cpr(typed)
            for b in typed:
                if b in (ord("q"), ord("Q")):
                    self.send(b"\x1b[0m\r\n\r\nThanks for calling. Goodbye!\r\n")
                    return
                if b == 13:
                    self.send(b"\r\n\x1b[1;37mYou typed a line. \x1b[0;36m")
                elif b in (8, 127):
                    self.send(b"\x08 \x08")
                elif b >= 32:
                    self.send(bytes([b]))


def strip_cpr(data):
    """Cursor position reports (ESC [ r ; c R) are answers, not typing."""
    out = bytearray()
    i = 0
    while i < len(data):
        if data[i] == 27:
            j = i + 1
            while j < len(data) and j - i < 16 and data[j] not in b"R":
                j += 1
            if j < len(data) and data[j] == ord("R"):
                log("cursor position report", data[i + 1:j].decode("latin-1"))
                i = j + 1
                continue
        out.append(data[i])
        i += 1
    return bytes(out)


def bbs_block():
    """About 64 KiB of what BBS screens are made of; repeated to make a stream."""
    out = bytearray()
    shades = bytes([0xB0, 0xB1, 0xB2, 0xDB, 0xDC, 0xDF, 0xDD, 0xDE])
    words = [b"Welcome", b"to", b"the", b"message", b"base", b"files", b"door", b"games", b"sysop", b"node"]
    n = 0
    while len(out) < 65536:
        row = n % 24 + 1
        out += b"\x1b[%d;1H" % row
        out += b"\x1b[0;%d;%dm" % (30 + n % 8, 40 + (n // 8) % 8)
        out += shades[n % 8:n % 8 + 1] * 6 + shades[(n + 3) % 8:(n + 3) % 8 + 1] * 4
        out += b"\x1b[1;3%dm " % (n % 8)
        out += b" ".join(words[(n + k) % len(words)] for k in range(6))
        out += b"\x1b[38;5;%dm%s" % (16 + n % 216, b"\xc4" * 12)
        out += b"\x1b[48;5;%dm\x1b[38;2;%d;%d;%dm|" % (232 + n % 24, n % 256, (n * 3) % 256, (n * 7) % 256)
        out += b"\x1b[0m\x1b[K\x1b[%dC" % (1 + n % 5)
        out += b"\xda\xc4\xbf \xc0\xc4\xd9 \xb3\xcd\xba"
        out += b"\r\n"
        n += 1
    return bytes(out)


def demo_screen():
    """The welcome screen: code page 437 blocks in 16, 256 and 24-bit colour."""
    out = bytearray(b"\x1b[0m\x1b[2J\x1b[1;1H")
    logo = [
        "#    ##  #  # ##### #### ###  #  # #   # #   #",
        "#   #  # ## #   #   #    #  # ## #  # #   # # ",
        "#   #### # ##   #   ###  ###  # ##   #     #  ",
        "#   #  # #  #   #   #    # #  #  #   #    # # ",
        "### #  # #  #   #   #### #  # #  #   #   #   #",
    ]
    out += b"\x1b[1;36m\xda" + b"\xc4" * 76 + b"\xbf\r\n"
    for i, line in enumerate(logo):
        out += b"\x1b[1;36m\xb3\x1b[0m  "
        colour = b"\x1b[1;3%dm" % (1 + i % 6)
        out += colour + line.replace("#", "\xdb").encode("latin-1") + b" " * (74 - len(line))
        out += b"\x1b[1;36m\xb3\r\n"
    out += b"\x1b[1;36m\xc0" + b"\xc4" * 76 + b"\xd9\r\n\r\n"
    out += b"\x1b[0;37m  A loopback bulletin board for trying the terminal out.\r\n\r\n"
    out += b"  \x1b[0m16 colours:  "
    for c in range(8):
        out += b"\x1b[0;3%dm\xdb\xdb\x1b[1;3%dm\xdb\xdb" % (c, c)
    out += b"\r\n  \x1b[0m256 colours: "
    for c in range(16, 232, 4):
        out += b"\x1b[38;5;%dm\xdb" % c
    out += b"\r\n  \x1b[0m24-bit:      "
    for x in range(54):
        r = min(255, x * 5)
        out += b"\x1b[38;2;%d;%d;%dm\xdb" % (r, 255 - r, 128)
    # Each attribute ends with SGR 0 and the colour set again: BBS terminals do not all know
    # SGR 22 and 27.
    out += b"\r\n\r\n  \x1b[0;5;33m\xfe\x1b[0;33m Blinking, \x1b[7mreverse\x1b[0;33m, \x1b[1mbold\x1b[0;33m and shades:"
    out += b" \xb0\xb0\xb1\xb1\xb2\xb2\xdb\xdb\x1b[0m\r\n"
    return bytes(out)


def open_listeners(hosts, port):
    """Binds every host on one port; with port 0 the first bind picks it for the rest."""
    for _ in range(50):
        listeners = []
        chosen = port
        try:
            for host in hosts:
                family = socket.AF_INET6 if ":" in host else socket.AF_INET
                s = socket.socket(family, socket.SOCK_STREAM)
                listeners.append(s)
                s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                if family == socket.AF_INET6:
                    s.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
                s.bind((host, chosen))
                s.listen(16)
                chosen = s.getsockname()[1]
            return listeners, chosen
        except OSError as e:
            for s in listeners:
                s.close()
            if port != 0:
                raise
            last = e
    raise last


def main():
    global QUIET
    p = argparse.ArgumentParser(description="Loopback BBS for tests and demos (see the top of this file).")
    p.add_argument("--host", action="append", help="listen address (repeatable)")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--port-file")
    p.add_argument("--raw", action="store_true", help="plain TCP without telnet")
    p.add_argument("--no-negotiate", action="store_true", help="telnet without the opening negotiation")
    p.add_argument("--record", help="file receiving every byte the client sends")
    p.add_argument("--replay", help="file to send")
    p.add_argument("--script", help="byte script to run")
    p.add_argument("--stream", type=parse_size, help="bytes of generated ANSI to send")
    p.add_argument("--chunk", type=int, default=0, help="largest piece per write")
    p.add_argument("--delay", type=int, default=0, help="milliseconds between pieces")
    p.add_argument("--linger", type=int, default=0, help="milliseconds to wait before closing; -1 forever")
    p.add_argument("--zmodem-send", action="append", help="file for sz to send (repeatable)")
    p.add_argument("--zmodem-receive", help="directory rz receives into")
    p.add_argument("--zmodem-opts", default="", help="extra options for sz or rz")
    p.add_argument("--zmodem-status", help="file receiving the exit code of sz or rz")
    p.add_argument("--protocol", choices=["zmodem", "ymodem", "xmodem"], default="zmodem",
                   help="lrzsz's sz/rz, sb/rb or sx/rx for the Zmodem modes")
    p.add_argument("--xmodem-name", default="upload.bin", help="the name rx saves an upload as")
    p.add_argument("--pty", help="program to run on a pseudo-terminal and relay")
    p.add_argument("--pty-term", default="vt102", help="TERM for that program")
    p.add_argument("--pty-log", help="file receiving every byte the program sends")
    p.add_argument("--once", action="store_true", help="serve one connection, then exit")
    p.add_argument("--quiet", action="store_true")
    args = p.parse_args()
    QUIET = args.quiet

    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    hosts = args.host or ["127.0.0.1", "::1"]
    try:
        listeners, port = open_listeners(hosts, args.port)
    except OSError as e:
        if args.host is None:
            log("IPv6 loopback unavailable (%s); IPv4 only" % e)
            listeners, port = open_listeners(["127.0.0.1"], args.port)
        else:
            raise
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write("%d\n" % port)
        os.replace(args.port_file + ".tmp", args.port_file)
    print(port, flush=True)
    recorder = Recorder(args.record)

    def serve(conn, peer):
        log("call from", peer[0])
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        session = Session(conn, args, recorder)
        try:
            session.run()
            # Half-close first and let the client close its side: closing with unread input
            # would reset the connection instead of ending it in order.
            conn.shutdown(socket.SHUT_WR)
            with session.cond:
                session.cond.wait_for(lambda: session.closed, 5.0)
        except OSError as e:
            log("connection lost:", e)
        finally:
            conn.close()
            log("call ended")

    import selectors
    sel = selectors.DefaultSelector()
    for s in listeners:
        sel.register(s, selectors.EVENT_READ)
    try:
        while True:
            for key, _ in sel.select():
                conn, peer = key.fileobj.accept()
                if args.once:
                    serve(conn, peer)
                    return
                threading.Thread(target=serve, args=(conn, peer), daemon=True).start()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
