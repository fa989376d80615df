"""Phone-book files for the GUI tests, written field by field at their offsets."""

import struct

HEADER, ENTRY, ENTRIES = 48, 362, 200


def pstr(text, size):
    """A length-prefixed code page 437 string of at most size characters."""
    data = text.encode("cp437")
    return bytes([len(data)]) + data + bytes(size - len(data))


def entry(name, address, script="", user="", password="", calls=0, status_bar=0, emulation=1,
          charset=0, speed=0, font=0):
    e = bytearray(ENTRY)
    e[0:41] = pstr(name, 40)
    e[41:82] = pstr(address, 40)
    e[82:123] = pstr(user, 40)
    e[123:144] = pstr(password, 20)
    e[231] = status_bar
    e[232] = 2   # echo auto
    e[235] = emulation   # 1 ANSI-RGB, 2 VT102
    e[236] = 1   # MS-DOS font
    e[237] = 1   # mouse on
    e[240] = 1   # telnet
    e[241] = charset     # 0 code page 437, 1 UTF-8
    e[242] = speed  # emulated line speed, 0 unlimited
    e[243] = font   # font number, 0 by font type
    e[244:270] = pstr(script, 25)
    e[271:275] = struct.pack("<i", calls)
    e[361] = 1
    return bytes(e)


def book(entries, title="GUI Test Book"):
    data = pstr(title, 40) + pstr("1.00", 4) + bytes([1, 1])
    for e in entries:
        data += e
    return data + entry("", "") * (ENTRIES - len(entries))
