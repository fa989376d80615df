"""Runs the real lanternyx program under Xvfb and drives it like a user.

Used by the GUI tests of every module and by bench/idle_cpu.sh:

    with Display() as display, Program(binary, display, ini={...}) as prog:
        window = prog.wait_window()
        prog.key("alt+z")
        prog.click(100, 40)
        prog.screenshot("shot.png")
        code = prog.stop()

The program directory comes from argument 0, so each run gets a temporary
directory holding a symbolic link to the binary; its files (lanternyx.ini,
lanternyx.cfg, phone books) are created there and can be inspected through
Program.dir before the directory is removed.
"""

import ctypes
import ctypes.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SKIP = 77  # CTest's SKIP_RETURN_CODE for the GUI tests
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVER = os.path.join(ROOT, "tools", "bbsserver", "bbsserver.py")
BINARY = None   # the program and the screenshot directory, from main_with_binary
SHOTS = None


def have_xvfb():
    return all(shutil.which(t) for t in ("Xvfb", "xdotool", "import"))


def run_unittests(argv, rest):
    """Runs a GUI test module's unittest cases; the exit code CTest reads."""
    if not have_xvfb():
        print("Xvfb, xdotool or ImageMagick missing: skipped")
        return SKIP
    result = unittest.main(argv=[argv[0]] + rest, exit=False, verbosity=2).result
    return 0 if result.wasSuccessful() else 1


def main_with_binary(module):
    """The main of a GUI test module: --binary (the program) and --shots (a directory for
    screenshots) become the module's BINARY and SHOTS; the rest goes to unittest."""
    import argparse
    import sys
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--shots")
    args, rest = parser.parse_known_args()
    global BINARY, SHOTS
    BINARY = module.BINARY = args.binary
    SHOTS = module.SHOTS = args.shots
    return run_unittests(sys.argv, rest)


def wait_until(cond, what, timeout=10):
    """Polls cond until it holds; fails with what() after timeout seconds."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if cond():
            return
        time.sleep(0.05)
    raise AssertionError(what())


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(display_name, window):
    """xdotool can only destroy a window; a polite close is a WM_DELETE_WINDOW message."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display_name.encode())
    if not dpy:
        raise RuntimeError("cannot open display " + display_name)
    try:
        ev = _XEvent()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = window
        ev.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        ev.xclient.data[1] = 0  # CurrentTime
        x11.XSendEvent(dpy, window, 0, 0, ctypes.byref(ev))
        x11.XFlush(dpy)
    finally:
        x11.XCloseDisplay(dpy)


class Display:
    """An Xvfb server on a display number it picks itself."""

    def __init__(self, width=1920, height=1200, depth=24):
        self.size = (width, height, depth)
        self.proc = None
        self.name = None

    def __enter__(self):
        read_fd, write_fd = os.pipe()
        w, h, d = self.size
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{w}x{h}x{d}",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number.decode().strip()
        return self

    def __exit__(self, *exc):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.name
        env.pop("WAYLAND_DISPLAY", None)
        env.pop("SDL_VIDEODRIVER", None)
        # Sanitizer builds: leaks inside the desktop's own libraries are not ours.
        supp = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
        if "suppressions=" not in env.get("LSAN_OPTIONS", ""):
            env["LSAN_OPTIONS"] = (env.get("LSAN_OPTIONS", "") + ":suppressions=" + supp).lstrip(":")
        return env


class Program:
    """One run of the program in its own temporary program directory."""

    def __init__(self, binary, display, ini=None, files=None, args=(), keep_dir=False,
                 directory=None):
        """directory: run in an existing program directory (kept afterwards)."""
        self.binary = os.path.abspath(binary)
        self.given_dir = directory
        self.display = display
        self.ini = ini
        self.files = files or {}
        self.args = list(args)
        self.keep_dir = keep_dir
        self.dir = None
        self.proc = None
        self.window = None
        self.stdout = b""

    def __enter__(self):
        if self.given_dir:
            self.dir = self.given_dir
            self.keep_dir = True
        else:
            self.dir = tempfile.mkdtemp(prefix="lanternyx-gui-")
        link = os.path.join(self.dir, "lanternyx")
        if not os.path.lexists(link):
            os.symlink(self.binary, link)
        if self.ini is not None:
            lines = ["[Video]"] + [f"{k}={v}" for k, v in self.ini.items()]
            self.write("lanternyx.ini", "\n".join(lines) + "\n")
        for name, data in self.files.items():
            self.write(name, data)
        self.out_path = os.path.join(self.dir, ".stdout")
        with open(self.out_path, "wb") as out:
            self.proc = subprocess.Popen([link] + self.args, cwd=self.dir,
                                         env=self.display.env(), stdout=out,
                                         stderr=subprocess.STDOUT)
        return self

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        if self.dir and not self.keep_dir:
            shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        mode = "wb" if isinstance(data, bytes) else "w"
        with open(self.path(name), mode) as f:
            f.write(data)

    def output(self):
        with open(self.out_path, "rb") as f:
            return f.read().decode(errors="replace")

    def xdotool(self, *args, timeout=20):
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=self.display.env(),
                              capture_output=True, text=True, timeout=timeout)

    def wait_window(self, name="Lanternyx", timeout=20):
        """Waits until a visible window whose title matches name exists; returns its id."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.proc.poll() is not None:
                raise RuntimeError(f"program ended with {self.proc.returncode}: {self.output()}")
            r = self.xdotool("search", "--onlyvisible", "--name", name, timeout=5)
            ids = r.stdout.split()
            if ids:
                self.window = ids[0]
                return self.window
            time.sleep(0.1)
        raise RuntimeError("no window appeared: " + self.output())

    def title(self):
        return self.xdotool("getwindowname", self.window).stdout.strip()

    def geometry(self):
        """(width, height) of the window."""
        r = self.xdotool("getwindowgeometry", "--shell", self.window)
        vals = dict(l.split("=", 1) for l in r.stdout.split() if "=" in l)
        return int(vals["WIDTH"]), int(vals["HEIGHT"])

    def close_window(self):
        """Asks the window to close as a window manager does (WM_DELETE_WINDOW)."""
        send_delete_window(self.display.name, int(self.window))

    def focus(self):
        self.xdotool("windowfocus", "--sync", self.window)

    def key(self, *keys, delay_ms=30):
        """xdotool key names, e.g. "a", "alt+z", "Return", "F1"."""
        self.focus()
        self.xdotool("key", "--delay", delay_ms, *keys)

    def type(self, text, delay_ms=30):
        self.focus()
        self.xdotool("type", "--delay", delay_ms, text)

    def click(self, x, y, button=1):
        """Clicks at window pixel (x, y)."""
        self.xdotool("mousemove", "--window", self.window, x, y)
        self.xdotool("click", button)

    def drag(self, x1, y1, x2, y2, button=1):
        self.xdotool("mousemove", "--window", self.window, x1, y1)
        self.xdotool("mousedown", button)
        time.sleep(0.05)
        self.xdotool("mousemove", "--window", self.window, x2, y2)
        time.sleep(0.05)
        self.xdotool("mouseup", button)

    def screenshot(self, png_path):
        """Saves the window's picture; returns (width, height) of the image."""
        subprocess.run(["import", "-window", self.window, png_path], env=self.display.env(),
                       check=True, capture_output=True, timeout=30)
        r = subprocess.run(["identify", "-format", "%w %h", png_path], capture_output=True,
                           text=True, check=True, timeout=30)
        w, h = r.stdout.split()
        return int(w), int(h)

    def cpu_seconds(self):
        """User plus system CPU time the program has used so far."""
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def stop(self, sig=signal.SIGTERM, timeout=10):
        """Sends sig and returns the exit code (negative: killed by a signal)."""
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
            try:
                self.proc.wait(timeout)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
                raise RuntimeError("program did not stop on " + str(sig))
        return self.proc.returncode


class Board:
    """The loopback board (tools/bbsserver) in a temporary directory of its own: made first, so
    that the board's arguments can name files in it, then run."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="lx-bbs-")
        self.proc = None

    def run(self, *args):
        self.proc = subprocess.Popen([sys.executable, SERVER, "--quiet", *args],
                                     stdout=subprocess.PIPE)
        self.port = int(self.proc.stdout.readline())

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, text):
        with open(self.path(name), "w") as f:
            f.write(text)
        return self.path(name)

    def read(self, name):
        """A file the board writes as it goes; empty until it exists."""
        try:
            with open(self.path(name), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return b""

    def close(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(5)
            self.proc.stdout.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class GuiTest(unittest.TestCase):
    """Test cases sharing one display; each program started here is stopped after its test."""

    @classmethod
    def setUpClass(cls):
        cls.display = Display(1280, 1024)
        cls.display.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.display.__exit__(None, None, None)

    def start(self, args=(), ini=None, **kw):
        prog = Program(BINARY, self.display, ini=ini or {"win_size": 0}, args=args, **kw)
        self.addCleanup(prog.__exit__, None, None, None)
        prog.__enter__()
        prog.wait_window()
        return prog

    def past_picture(self, prog, settle=0.3):
        time.sleep(settle)
        prog.key("space")

    def directory(self, book, files=None, ini=None):
        """The program with the given phone book, past the start-up picture, in ALT-D."""
        prog = self.start(ini=ini, files=dict(files or {}, **{"lanternyx.phn": book}))
        self.past_picture(prog)
        prog.key("alt+d")
        time.sleep(0.4)
        return prog

    def shot(self, prog, name, settle=0.3):
        time.sleep(settle)
        if SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
            prog.screenshot(os.path.join(SHOTS, name + ".png"))

    def quit(self, prog, keys=("alt+x", "y", "y")):
        """ALT-X and its questions ("Disconnect?", "Do you want to exit"); a clean exit."""
        prog.key(*keys)
        self.assertEqual(prog.proc.wait(10), 0)


class Server(Board):
    """The loopback board running a byte script, recording what the client sends."""

    def __init__(self, script):
        super().__init__()
        self.run("--record", self.path("record"), "--script", self.write("case.txt", script))

    def received(self):
        return self.read("record")

    def wait_for(self, data):
        wait_until(lambda: data in self.received(),
                   lambda: f"server never got {data!r}; it has {self.received()!r}")
