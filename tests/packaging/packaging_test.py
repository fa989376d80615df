"""The program's command line, the icons drawn at build time, the desktop entry
and metainfo as shipped, and the window icon the real program finds."""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "app"))
import gui_harness as gh  # noqa: E402

BINARY = BUILD = None
SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def run(*args):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    return subprocess.run([BINARY, *args], capture_output=True, text=True, timeout=20, env=env)


def png_pixels(path):
    """(size, rows of RGBA tuples) of an 8-bit RGBA PNG without interlacing."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, hdr = 8, b"", None
    while pos < len(data):
        n, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            hdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    w, h, depth, colour, _, _, interlace = hdr
    assert (depth, colour, interlace) == (8, 6, 0) and w == h
    raw, rows, stride = zlib.decompress(idat), [], w * 4
    for y in range(h):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        assert line[0] == 0, "only filter 0 is written"
        rows.append([tuple(line[1 + x * 4:5 + x * 4]) for x in range(w)])
    return w, rows


class CommandLine(unittest.TestCase):
    def test_help_version_and_unreadable_arguments(self):
        r = run("--version")
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, "Lanternyx v2.00 BETA 22\n", ""))
        r = run("--help")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.assertTrue(r.stdout.startswith("Usage: lanternyx [ADDRESS]\n"))
        # A build directory is writable: the files are kept beside the program.
        self.assertIn(os.path.dirname(BINARY) + "/\n", r.stdout)
        for args, text in ((["-x", "bbs"], "unknown option '-x'"),
                           (["host:99999"], "cannot dial 'host:99999'")):
            r = run(*args)
            self.assertEqual((r.returncode, r.stdout), (2, ""), args)
            self.assertIn("lanternyx: " + text, r.stderr)
            self.assertIn("--help", r.stderr)


class Icons(unittest.TestCase):
    def test_every_theme_size_is_a_picture_with_a_transparent_corner(self):
        for size in SIZES:
            w, rows = png_pixels(os.path.join(BUILD, "icons", "hicolor", f"{size}x{size}", "apps",
                                              "lanternyx.png"))
            self.assertEqual(w, size)
            self.assertEqual(rows[0][0][3], 0, size)
            self.assertEqual(rows[size // 2][size // 2][3], 255, size)
            self.assertGreater(len({p for row in rows for p in row}), 8, size)

    def test_window_icon_is_a_bottom_up_bmp_with_alpha_matching_the_png(self):
        data = open(os.path.join(BUILD, "lanternyx.icn"), "rb").read()
        self.assertEqual(data[:2], b"BM")
        size, offset = struct.unpack_from("<I4xI", data, 2)
        self.assertEqual(size, len(data))
        hsize, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
        self.assertEqual((hsize, w, h, planes, bpp, comp), (108, 64, 64, 1, 32, 3))
        self.assertEqual(struct.unpack_from("<IIII", data, 54), (0xFF0000, 0xFF00, 0xFF, 0xFF000000))
        _, png = png_pixels(os.path.join(BUILD, "icons", "hicolor", "64x64", "apps", "lanternyx.png"))
        for x, y in ((0, 0), (32, 32), (10, 50), (50, 20)):
            b, g, r, a = data[offset + ((63 - y) * 64 + x) * 4:][:4]
            self.assertEqual((r, g, b, a), png[y][x], (x, y))


class ShippedFiles(unittest.TestCase):
    def test_desktop_entry_and_metainfo_validate(self):
        pkg = os.path.join(BUILD, "packaging")
        desktop = [f for f in os.listdir(pkg) if f.endswith(".desktop")]
        meta = [f for f in os.listdir(pkg) if f.endswith(".metainfo.xml")]
        self.assertEqual(len(desktop), 1)
        self.assertEqual(meta, [desktop[0][:-len(".desktop")] + ".metainfo.xml"])
        with open(os.path.join(pkg, desktop[0])) as f:
            self.assertIn("Icon=lanternyx\n", f.read())
        with open(os.path.join(pkg, meta[0])) as f:
            self.assertIn("<project_license>MIT</project_license>", f.read())
        for tool, args in (("desktop-file-validate", [desktop[0]]),
                           ("appstreamcli", ["validate", "--no-net", meta[0]])):
            if not shutil.which(tool):
                print(tool, "missing: not validated")
                continue
            r = subprocess.run([tool, *args], cwd=pkg, capture_output=True, text=True, timeout=60)
            self.assertEqual(r.returncode, 0, r.stdout + r.stderr)


class WindowIcon(unittest.TestCase):
    """The icon beside the program, and the installed one in ../share/lanternyx/."""

    def icon_of(self, directory, wanted):
        """The first line xprop gives for _NET_WM_ICON, once it holds wanted (or after 3 s)."""
        with gh.Display(800, 600) as display, \
                gh.Program(BINARY, display, ini={"win_size": 0}, directory=directory) as prog:
            prog.wait_window()
            end = time.monotonic() + 3
            while True:
                r = subprocess.run(["xprop", "-id", prog.window, "_NET_WM_ICON"], env=display.env(),
                                   capture_output=True, text=True, timeout=20)
                line = (r.stdout.splitlines() or [""])[0]
                if wanted in line or time.monotonic() > end:
                    break
                time.sleep(0.1)
            self.assertEqual(prog.stop(), 0)
            return line

    def test_found_beside_the_program_or_in_the_data_directory(self):
        if not gh.have_xvfb() or not shutil.which("xprop"):
            self.skipTest("Xvfb, xdotool, ImageMagick or xprop missing")
        icn = os.path.join(BUILD, "lanternyx.icn")
        root = tempfile.mkdtemp(prefix="lanternyx-icon-")
        self.addCleanup(shutil.rmtree, root, True)
        bindir = os.path.join(root, "bin")
        os.makedirs(bindir)
        self.assertIn("not found", self.icon_of(bindir, "Icon"))
        os.makedirs(os.path.join(root, "share", "lanternyx"))
        shutil.copy(icn, os.path.join(root, "share", "lanternyx", "lanternyx.icn"))
        self.assertIn("Icon (64 x 64)", self.icon_of(bindir, "Icon (64 x 64)"))
        os.remove(os.path.join(root, "share", "lanternyx", "lanternyx.icn"))
        shutil.copy(icn, os.path.join(bindir, "lanternyx.icn"))
        self.assertIn("Icon (64 x 64)", self.icon_of(bindir, "Icon (64 x 64)"))


if __name__ == "__main__":
    p = argparse.ArgumentParser()
    p.add_argument("--binary", required=True)
    p.add_argument("--build", required=True)
    opts, rest = p.parse_known_args()
    BINARY, BUILD = os.path.abspath(opts.binary), os.path.abspath(opts.build)
    result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
