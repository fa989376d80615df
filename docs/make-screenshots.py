#!/usr/bin/env python3
"""Makes the README's screenshots from the real program under Xvfb.

    python3 docs/make-screenshots.py [--binary build/lanternyx] [--out docs]

Writes terminal-ready.png (the screen after start-up), dialing-directory.png
(ALT-D over a phone book this script writes) and ansi-board.png (a call to the
loopback board of tools/bbsserver showing a main menu this script draws).
Needs Xvfb, xdotool and ImageMagick.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "app"))
sys.path.insert(0, os.path.join(ROOT, "tools", "pictures"))
import gui_harness as gh  # noqa: E402
import make_pictures as mp  # noqa: E402

ENTRY, ENTRIES = 362, 200


def pstr(text, size):
    data = text.encode("cp437")[:size]
    return bytes([len(data)]) + data + bytes(size - len(data))


def entry(name, address, calls, protocol=1):
    """A phone book record: telnet 1, rlogin 2, SSH 3; ANSI, CP437 font, mouse on."""
    e = bytearray(ENTRY)
    e[0:41] = pstr(name, 40)
    e[41:82] = pstr(address, 40)
    e[232], e[235], e[236], e[237], e[240] = 2, 1, 1, 1, protocol
    e[271:275] = struct.pack("<i", calls)
    e[361] = 1
    return bytes(e)


def book():
    systems = [
        entry("|11Lantern |15Light BBS", "lantern.example.net", 214),
        entry("|14The |12Amber |14Terminal", "amber.example.org:2323", 87),
        entry("|10Code Page 437 Club", "cp437.example.com", 1503),
        entry("|13Topaz Palace |07(Amiga)", "topaz.example.net:23", 42),
        entry("|09Blue Wave Mail Hub", "bluewave.example.org", 9, protocol=3),
        entry("|15Sysop's Own Board", "sysop.example.com:513", 3, protocol=2),
        entry("|12iCE Colour Gallery", "ice.example.net", 376),
    ]
    header = pstr("My Boards", 40) + pstr("1.00", 4) + bytes([1, 1])
    return header + b"".join(systems) + entry("", "", 0) * (ENTRIES - len(systems))


def board_screen():
    """A board's main menu in code page 437 art, with one 24-bit colour rule."""
    cv = mp.Canvas(rows=24)
    mp.shade_bar(cv, 1, colour=4)
    mp.draw_logo_blocks(cv, (mp.WIDTH - 48) // 2 + 1, 3, "ETERNAL")
    mp.lantern(cv, 8, 2)
    mp.lantern(cv, mp.WIDTH - 12, 2)
    cv.centre(8, "F L A M E   B B S", 14)
    cv.centre(10, "est. 1993  \xfa  Node 3 of 8  \xfa  Sysop: Ember", 3)
    left, right = [("M", "Message Bases"), ("F", "File Areas"), ("D", "Door Games"), ("B", "Bulletins")], \
        [("C", "Chat with the Sysop"), ("W", "Who's Online"), ("U", "Upload (Zmodem)"), ("G", "Goodbye")]
    x0, y0, w = 9, 12, 64
    cv.text(x0, y0, [201] + [205] * (w - 2) + [187], 1)
    for i in range(len(left)):
        cv.put(x0, y0 + 1 + i, 186, 1)
        cv.put(x0 + w - 1, y0 + 1 + i, 186, 1)
        for col, (key, text) in ((x0 + 4, left[i]), (x0 + 34, right[i])):
            cv.text(col, y0 + 1 + i, "[", 9)
            cv.text(col + 1, y0 + 1 + i, key, 14)
            cv.text(col + 2, y0 + 1 + i, "]", 9)
            cv.text(col + 4, y0 + 1 + i, text, 11)
    cv.text(x0, y0 + 5, [200] + [205] * (w - 2) + [188], 1)
    cv.text(9, 19, "Last caller: ", 8)
    cv.text(22, 19, "Amberlight", 15)
    cv.text(34, 19, "from", 8)
    cv.text(39, 19, "Topaz Palace", 13)
    art = cv.ansi()
    rule = b"\x1b[18;9H"
    for x in range(w):
        r = 255 if x < w // 2 else 255 - (x - w // 2) * 8
        rule += b"\x1b[38;2;%d;%d;%dm\xdf" % (r, min(255, x * 8), 40)
    prompt = b"\x1b[22;1H\x1b[0;1;37mMain Menu \x1b[0;36m[\x1b[1;33m12:00\x1b[0;36m] \x1b[1;37mCommand: \x1b[0m"
    return art + rule + prompt


def shot(prog, path):
    time.sleep(0.6)
    prog.screenshot(path)
    subprocess.run(["convert", path, "-strip", path], check=True, timeout=30)
    print("wrote", path, os.path.getsize(path), "bytes")


def wait_title(prog, prefix, timeout=15):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if prog.title().startswith(prefix):
            return
        time.sleep(0.1)
    raise RuntimeError(f"title is {prog.title()!r}, wanted {prefix!r}...")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--binary", default=os.path.join(ROOT, "build", "lanternyx"))
    p.add_argument("--out", default=os.path.join(ROOT, "docs"))
    args = p.parse_args()
    if not gh.have_xvfb():
        sys.exit("Xvfb, xdotool and ImageMagick are needed")
    os.makedirs(args.out, exist_ok=True)
    ini = {"win_size": 0}
    with gh.Display(1280, 1024) as display:
        with gh.Program(args.binary, display, ini=ini, files={"lanternyx.phn": book()}) as prog:
            prog.wait_window()
            time.sleep(0.3)
            prog.key("space")  # past the start-up picture
            shot(prog, os.path.join(args.out, "terminal-ready.png"))
            prog.key("alt+d")
            shot(prog, os.path.join(args.out, "dialing-directory.png"))
            prog.stop()

        work = tempfile.mkdtemp(prefix="lanternyx-shots-")
        with open(os.path.join(work, "board.ans"), "wb") as f:
            f.write(board_screen())
        with open(os.path.join(work, "board.txt"), "w") as f:
            f.write("file board.ans\nhold\n")
        server = subprocess.Popen([sys.executable, os.path.join(ROOT, "tools", "bbsserver", "bbsserver.py"),
                                   "--quiet", "--host", "127.0.0.1", "--script", os.path.join(work, "board.txt")],
                                  stdout=subprocess.PIPE)
        try:
            port = int(server.stdout.readline())
            with gh.Program(args.binary, display, ini=ini, args=[f"127.0.0.1:{port}"]) as prog:
                prog.wait_window()
                time.sleep(0.3)
                prog.key("space")
                wait_title(prog, "(LX) ")
                prog.key("alt+s")  # the status bar
                shot(prog, os.path.join(args.out, "ansi-board.png"))
                prog.stop()
        finally:
            server.terminate()
            server.wait(5)
            shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
