"""The real program under Xvfb: window, picture size, title, shut-down."""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gui_harness as gh  # noqa: E402

BINARY = None
FAKE_SDL = None


class Window(unittest.TestCase):
    def run_program(self, ini, **kw):
        display = gh.Display(2000, 1200)
        self.addCleanup(display.__exit__, None, None, None)
        display.__enter__()
        prog = gh.Program(BINARY, display, ini=ini, **kw)
        self.addCleanup(prog.__exit__, None, None, None)
        prog.__enter__()
        prog.wait_window()
        return prog

    def test_title_size_stop_and_configuration_written_again(self):
        prog = self.run_program({"win_size": 0})
        self.assertEqual(prog.title(), "Lanternyx v2.00 BETA 22")
        self.assertEqual(prog.geometry(), (640, 400))
        self.assertEqual(prog.screenshot(prog.path("shot.png")), (640, 400))
        self.assertEqual(prog.stop(), 0)
        cfg_path = prog.path("lanternyx.cfg")
        self.assertEqual(os.path.getsize(cfg_path), 3042)
        # Deleted, it is written again with the defaults at the next start.
        os.remove(cfg_path)
        again = gh.Program(BINARY, prog.display, directory=prog.dir)
        self.addCleanup(again.__exit__, None, None, None)
        again.__enter__()
        again.wait_window()
        self.assertEqual(again.stop(signal.SIGINT), 0)
        with open(cfg_path, "rb") as f:
            cfg = f.read()
        self.assertEqual(len(cfg), 3042)
        program_dir = (prog.dir + "/").encode()
        for offset in (0, 141, 282, 423, 564):
            self.assertEqual(cfg[offset:offset + 1 + len(program_dir)], bytes([len(program_dir)]) + program_dir)
        self.assertEqual(cfg[793:800], b"\x06@UN@CR")
        self.assertEqual(cfg[914:921], b"\x06@PW@CR")
        self.assertEqual(list(cfg[2006:2010]), [127, 112, 116, 120])

    def test_upscaled_font_doubles_the_picture(self):
        prog = self.run_program({"win_size": 0, "upscale": 1})
        self.assertEqual(prog.screenshot(prog.path("shot.png")), (1280, 800))
        self.assertEqual(prog.stop(), 0)

    def test_alt_enter_steps_the_window_size(self):
        prog = self.run_program({"win_size": 0})
        prog.key("alt+Return")
        self.wait_size(prog, (1280, 800))
        # 2x is the largest that fits the 2000 x 1200 desktop: full screen next (which
        # Xvfb without a window manager does not show), then back to 1x.
        prog.key("alt+Return")
        time.sleep(0.3)
        prog.key("alt+Return")
        self.wait_size(prog, (640, 400))
        self.assertEqual(prog.stop(), 0)

    def wait_size(self, prog, size):
        end = time.monotonic() + 10
        while prog.geometry() != size and time.monotonic() < end:
            time.sleep(0.05)
        self.assertEqual(prog.geometry(), size)

    def test_closing_the_window_ends_the_program(self):
        prog = self.run_program({"win_size": 0})
        prog.close_window()
        self.assertEqual(prog.proc.wait(10), 0)


class WithoutWindow(unittest.TestCase):
    """Start-up failures: reported on standard output, no window left."""

    def run_plain(self, env, directory):
        link = os.path.join(directory, "lanternyx")
        os.symlink(BINARY, link)
        r = subprocess.run([link], cwd=directory, env=env, capture_output=True, timeout=30)
        return r.returncode, r.stdout.decode(errors="replace")

    def test_no_display_reports_unable_to_initialize_video(self):
        # With X11 asked for, and with no driver asked for (SDL would fall back to one that
        # draws nowhere and the program would run unseen): a failure either way.
        base = {k: v for k, v in os.environ.items()
                if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
        for driver in ("x11", None):
            env = dict(base)
            if driver:
                env["SDL_VIDEODRIVER"] = driver
            with self.subTest(driver=driver), tempfile.TemporaryDirectory() as d:
                code, out = self.run_plain(env, d)
                self.assertNotEqual(code, 0)
                self.assertEqual(out.splitlines()[-1], "Unable to initialize video")

    def test_broken_private_sdl_copy_stops_before_any_sdl_call(self):
        with tempfile.TemporaryDirectory() as d:
            os.mkdir(os.path.join(d, "libs"))
            shutil.copy(FAKE_SDL, os.path.join(d, "libs", "libSDL2.so"))
            code, out = self.run_plain(dict(os.environ), d)
            lines = out.splitlines()
            self.assertEqual(code, 1)
            self.assertTrue(lines[0].startswith("SDL2 load error: Name=SDL_AllocFormat Msg="), out)
            self.assertEqual(lines[1], "Error loading SDL2 library")
            self.assertIn("could not be loaded", lines[2])
            self.assertFalse(os.path.exists(os.path.join(d, "lanternyx.cfg")))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--fake-sdl", required=True)
    args, rest = parser.parse_known_args()
    global BINARY, FAKE_SDL
    BINARY = os.path.abspath(args.binary)
    FAKE_SDL = args.fake_sdl
    return gh.run_unittests(sys.argv, rest)


if __name__ == "__main__":
    sys.exit(main())
