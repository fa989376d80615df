#!/usr/bin/env python3
"""Writes the .in byte files of the emulator reference cases.

The .in files are the truth the tests read; this script only makes them easy
to author and review. Prefixes pick the console set-up in the test runner:
status_* runs with the status line reserved, font_* with FontSwitch on.
Run from this folder: python3 make_cases.py
"""

E = "\x1b"
CSI = E + "["

def put(name, text):
    with open(name + ".in", "wb") as f:
        f.write(text.encode("latin-1"))

def at(row, col):
    return f"{CSI}{row};{col}H"

def fill_rows(n, first="A"):
    return "".join(at(r, 1) + chr(ord(first) + r - 1) * 80 for r in range(1, n + 1))

# --- select graphic rendition, every row of the table -------------------
put("sgr_basic",
    f"{CSI}0mA{CSI}1mB{CSI}31mC{CSI}32mD{CSI}0;44mE{CSI}5mF{CSI}41mG{CSI}mH"
    f"{CSI}7mI{CSI}7mJ{CSI}1;33;44mK{CSI}7mL{CSI}7mM{CSI}2;3;4;8;39;49;100mN"
    f"{CSI}256mO{CSI}286mP{CSI}0m{CSI}5;7mQ{CSI}0m\r\n"
    f"{CSI}1m" + "".join(f"{CSI}{c}mx" for c in range(30, 38)) +
    f"{CSI}0m" + "".join(f"{CSI}{c}my" for c in range(40, 48)) + f"{CSI}0m\r\n")

put("sgr_extended",
    f"{CSI}38;5;196ma{CSI}48;5;21mb{CSI}0mc{CSI}38;2;255;128;0md{CSI}48;2;10;20;30me"
    f"{CSI}37mf{CSI}31mg{CSI}40mh{CSI}44mi{CSI}0m{CSI}38;9;1mj{CSI}1;38;5;46;4mk"
    f"{CSI}0m{CSI}38;5;300ml{CSI}0m{CSI}38;2;1mm{CSI}0m{CSI}38;5mn"
    f"{CSI}0m{CSI}1;0;0;255to{CSI}0;255;255;0tp{CSI}2;1;1;1tq{CSI}8;50;132tr"
    f"{CSI}0m{CSI}48;9;44ms{CSI}0m{CSI}38;5;196;0mt{CSI}0m")

# --- cursor movement -------------------------------------------------------
put("cursor_moves",
    f"{at(5,10)}1{CSI}H2{CSI}3;f3{CSI};20H4{at(10,10)}{CSI}2A5{CSI}A6{CSI}0A7{CSI}99A8"
    f"{CSI}2B9{CSI}5Cb{CSI}999Cc{at(12,40)}{CSI}3Dd{CSI}99De{CSI}30Gf{CSI}Gg{CSI}200Gh"
    f"{at(15,5)}{CSI}s{at(20,60)}i{CSI}uj"
    f"{CSI}99999999999999999999;99999999999999999999H{CSI}Dk"
    f"{at(21,1)}{CSI}99Bl{CSI}20;1H")

# --- erasing ----------------------------------------------------------------
put("erase_line",
    fill_rows(6) + f"{CSI}41m{at(2,10)}{CSI}K{at(3,10)}{CSI}1K{at(4,10)}{CSI}2K"
    f"{at(5,10)}{CSI}3K{CSI}256K{at(6,80)}{CSI}0K{CSI}0m")

put("erase_below",
    fill_rows(8) + f"{at(5,40)}{CSI}44m{CSI}J{CSI}0m")

put("erase_above",
    fill_rows(8) + f"{at(5,40)}{CSI}44m{CSI}1J{CSI}0m")

put("erase_all_scrollback",
    fill_rows(10) + f"{at(14,5)}{CSI}2J{CSI}3J{CSI}5Jafter")

put("erase_formfeed",
    fill_rows(10) + f"{CSI}3;6r{at(4,5)}\x0cin window{CSI}8;9r{CSI}4Jw4{CSI}r")

# --- insert and delete -----------------------------------------------------
put("insert_delete",
    f"{at(1,1)}ABCDEFGHIJ{at(1,3)}{CSI}2@"
    f"{at(2,1)}ABCDEFGHIJ{at(2,3)}{CSI}3P"
    f"{at(3,1)}ABCDEFGHIJ{at(3,3)}{CSI}@"
    f"{at(4,1)}0123456789{at(4,1)}{CSI}256@"
    f"{at(5,1)}0123456789{at(5,5)}{CSI}999P"
    f"{at(6,78)}xyz{at(6,80)}{CSI}@"
    + "".join(f"{at(r,1)}L{r}" for r in range(10, 16)) +
    f"{CSI}44m{at(11,1)}{CSI}L{at(13,1)}{CSI}2M{CSI}0m")

# --- scroll region ---------------------------------------------------------
labels = "".join(f"{at(r,1)}R{r:02d}" for r in range(1, 26))
put("scroll_region",
    labels + f"{CSI}5;20r{at(20,1)}\n\nX{at(10,1)}{CSI}L{at(6,1)}{CSI}M"
    f"{CSI}20;5r{at(20,10)}\nZ"
    f"{CSI}8;99r{at(25,1)}\nY{CSI}22r")

put("status_line",
    f"{CSI}2J" + labels + f"{CSI}99;10Ha{at(1,20)}{CSI}99Bb"
    f"{CSI}5r{at(24,1)}\nc{CSI}r{CSI}2;1H{CSI}K")

# --- modes -----------------------------------------------------------------
put("modes",
    f"{CSI}?25la{CSI}?33hb{CSI}?33l{CSI}?25h{CSI}=5hx{CSI}?35;25l{CSI}1h{CSI}4ly")

# --- control bytes ---------------------------------------------------------
put("controls",
    "".join(chr(c) for c in [1, 2, 3, 4, 5, 6, 0, 7, 11] + list(range(14, 27)) + list(range(28, 32)))
    + "\r\n" + "ab\x08c" + "\r\n" + "123\rX" + "\r\n" + "abc\nd"
    + f"{at(6,77)}\tT{at(8,1)}\tt\t\tu{at(9,1)}\x08\x08v"
    + at(10, 1) + "".join(chr(c) for c in range(127, 256)))

# --- malformed sequences ---------------------------------------------------
put("malformed",
    f"{at(1,1)}A{CSI}3{E}[1m"
    f"{at(2,1)}{E}1B{E}y{E}~{E}{{0C"
    f"{at(3,1)}{CSI}31\rD{CSI}32\nE{CSI}33\x80F{CSI}34vG{CSI}35xH{CSI}5!I"
    f"{at(4,1)}{CSI}" + "1" * 300 + ";31mJ"
    f"{at(5,1)}{CSI}999999999999999999999999;31mK{CSI}0m"
    f"{at(6,1)}{CSI}2 DL{CSI}0;38 qM{E}{E}[N"
    f"{CSI}?;;;HO{at(7,1)}{CSI}=1;2mP{CSI}>cQ{CSI}1;31;{E}")

# --- wrapping at the edges -------------------------------------------------
put("wrap_edges",
    "a" * 80 + "b" + at(24, 1) + "c" * 80 + at(25, 1) + "d" * 80 + "e"
    # a full bottom row followed by a cursor move must not scroll the screen
    + at(25, 1) + "f" * 80 + at(10, 10) + "g" + at(25, 1) + "h" * 80
    # even when the placement names the cell the cursor already shows
    + at(25, 1) + "i")

# --- fonts -----------------------------------------------------------------
put("font_select",
    f"a{CSI}0;38 Db{CSI}0;42 Dc{CSI}0;0 Dd{CSI}1;37 De{CSI}0;43 Df{CSI}0;36 Dg"
    f"{CSI}0;38 D{CSI}0;99999999999 Dh{CSI}0;38 Di{CSI}0;0 Ej{CSI}0;0 Dk")

# --- realistic BBS screens --------------------------------------------------
def box(row, col, width, title, colour):
    top = "\xc9" + "\xcd" * (width - 2) + "\xbb"
    out = f"{at(row,col)}{colour}{top}"
    t = f" {title} "
    out += f"{at(row,col + (width - len(t)) // 2)}{CSI}1;33m{t}{colour}"
    return out

login = (
    f"{CSI}0m{CSI}2J{CSI}H"
    f"{CSI}1;34m" + "\xdc" * 79 + "\r\n"
    f"{CSI}0;44;37m   \xfe {CSI}1;37mThe Lantern BBS{CSI}0;44;37m \xfe  Node 1  \xb3  est. 1994"
    f"{CSI}K\r\n"
    f"{CSI}0;34m" + "\xdf" * 79 +
    f"{CSI}0m\r\n\r\n"
    f"  {CSI}36mConnected at {CSI}1m33600{CSI}0;36m bps.  Running {CSI}1;35mMystic-style{CSI}0;36m software.\r\n\r\n"
    f"  {CSI}0;32m\xb0\xb1\xb2\xdb {CSI}1;32mNew users type {CSI}1;37m\"NEW\"{CSI}1;32m at the prompt {CSI}0;32m\xdb\xb2\xb1\xb0\r\n\r\n"
    f"  {CSI}1;30mHandle{CSI}0;37m: {CSI}1;33;44mSYSOP                   {CSI}0m\r\n"
    f"  {CSI}1;30mPassword{CSI}0;37m: {CSI}1;31m********{CSI}0m\r\n\r\n"
    f"  {CSI}1;32mLogging in...{CSI}0m {CSI}6n\r\n"
    f"  {CSI}0;37mLast caller: {CSI}1mDark Phoenix{CSI}0;37m from {CSI}1mAmsterdam, NL{CSI}0m\r\n"
    f"  {CSI}0;37mYou are caller {CSI}1;36m#31337{CSI}0;37m. Press {CSI}1;37m[{CSI}33mENTER{CSI}37m]{CSI}0;37m: "
)
put("bbs_login", login)

menu = f"{CSI}0m{CSI}2J"
menu += f"{at(1,1)}{CSI}48;5;17m{CSI}38;5;226m" + " Main Menu".ljust(60) + f"{CSI}38;2;255;170;0m" + "14:02  Time left: 59".rjust(20) + f"{CSI}0m"
menu += f"{at(3,10)}{CSI}0;36m\xc9" + "\xcd" * 58 + "\xbb"
for r in range(4, 14):
    menu += f"{at(r,10)}\xba{at(r,69)}\xba"
menu += f"{at(14,10)}\xc8" + "\xcd" * 58 + "\xbc"
items = [("M", "Message areas", "F", "File areas"), ("E", "E-mail", "D", "Door games"),
         ("B", "Bulletins", "W", "Who's online"), ("O", "One-liners", "U", "User settings"),
         ("C", "Chat with sysop", "G", "Goodbye (log off)")]
for i, (k1, t1, k2, t2) in enumerate(items):
    r = 5 + i * 2
    menu += f"{at(r,13)}{CSI}1;37m[{CSI}1;33m{k1}{CSI}1;37m] {CSI}0;37m{t1}"
    menu += f"{at(r,42)}{CSI}1;37m[{CSI}1;33m{k2}{CSI}1;37m] {CSI}0;37m{t2}"
menu += f"{at(16,10)}{CSI}1;30m\xb0\xb0\xb1\xb1\xb2\xb2\xdb{CSI}0;37m Command: {CSI}s{CSI}1;37m_{CSI}u{CSI}K"
menu += f"{at(18,10)}{CSI}0;31mYou have {CSI}1;31m3{CSI}0;31m new messages.{CSI}0m"
menu += f"{at(16,29)}"
put("bbs_menu", menu)

art = f"{CSI}0m{CSI}2J{CSI}?33h"
art += f"{CSI}0;1;30m\xdc\xdc{CSI}0;37m\xdc{CSI}1m\xdc{CSI}47m\xdf\xdf{CSI}40m\xdf{CSI}0;37m\xdf{CSI}1;30m\xdf{CSI}5C{CSI}0;34m\xdc\xdc\xdc{CSI}44m\xdb\xb2\xb1\xb0{CSI}40m\xdf\xdf"
art += f"{CSI}60C\r\n"
art += f"{CSI}1;30;47m\xb0\xb1\xb2{CSI}0;47m   {CSI}5;41m  LANTERN  {CSI}0;40m {CSI}1;34;44m\xb2\xb1\xb0{CSI}0;34m\xdb\xdb{CSI}46m\xdf{CSI}0;36m\xdc\xdc"
art += "\r\n"
row3 = ""
for i, c in enumerate([0xb0, 0xb1, 0xb2, 0xdb] * 20):
    row3 += f"{CSI}{31 + (i // 4) % 7}m" + chr(c)
art += row3   # exactly 80 columns: wraps without CR LF, as drawings often do
art += f"{CSI}0;33m\xda" + "\xc4" * 20 + "\xbf" + f"{CSI}1;32;45m ice colour {CSI}0m" + f"{CSI}2C{CSI}38;5;208m\xdb\xdb{CSI}48;5;52m\xdf\xdf{CSI}0m\r\n"
art += f"{CSI}0;33m\xc0" + "\xc4" * 20 + "\xd9\r\n"
art += f"{CSI}3C{CSI}1;37m\xfe {CSI}0;37mfor the{CSI}1C{CSI}1mLantern{CSI}1Csysops {CSI}1;30m(c) 2026{CSI}0m\r\n"
put("block_art", art)

# --- what a VT102 adds, on the ANSI-BBS screen (unprefixed) ------------------
put("shared_functions",
    # tab stops: set at 5 and 80, all cleared, one cleared, forward and back by count
    f"{at(1,5)}{E}H{at(1,80)}{E}H{at(1,1)}\tA\tB\tC{at(2,1)}{CSI}3g{E}H{CSI}2I{CSI}gD"
    f"{at(2,40)}{CSI}3g{CSI}I{CSI}ZE{at(3,1)}"
    # saved cursor keeps colours across a change of colour mode; restore before save goes home
    f"{CSI}38;2;1;2;3m{E}7{CSI}0;38;5;9m{at(3,10)}x{E}8y{CSI}0m"
    # index, reverse index at the top of a region, next line
    f"{at(4,1)}top{CSI}4;8r{at(4,1)}{E}Mrev{at(6,1)}{E}Dind{E}Enel{CSI}r"
    # DEC line drawing in G0, then in G1 through SO / SI, the UK pound
    f"{at(9,1)}{E}(0lqqk{E}(B x{E})0\x0elqk\x0f{E}(A#{E}(B"
    # erase characters, repeat, column and row absolute, scroll up and down
    f"{at(10,1)}abcdefgh{at(10,3)}{CSI}3X{at(11,1)}={CSI}9b{CSI}20Gg{CSI}12dd{CSI}15`h"
    f"{at(13,1)}S1{at(14,1)}S2{at(15,1)}S3{CSI}13;15r{CSI}S{CSI}T{CSI}r"
    # wrap off: the last column is overwritten; insert mode pushes the row right
    f"{at(16,76)}{CSI}?7lwxyz12{CSI}?7h{at(17,1)}0123{at(17,2)}{CSI}4hIN{CSI}4l"
    # origin mode counts rows from the region's top; 39 and 49 end extended colours
    f"{CSI}18;21r{CSI}?6h{CSI}2;3Ho{CSI}?6l{CSI}r"
    f"{at(22,1)}{CSI}31;44;38;5;200ma{CSI}39;49mb{CSI}1;5;7mc{CSI}22;25;27md{CSI}0m")

put_bytes = lambda name, data: open(name + ".in", "wb").write(data)

# --- the VT102 dialect: a shell's screen ---------------------------------------
put("vt102_shell",
    # ED 2 clears without moving the cursor
    f"{at(8,10)}x{CSI}2Jafter"
    f"{at(1,1)}$ ls\r\nbin\tetc\thome\tusr\r\n"
    # a full line wraps only when the next glyph comes: CR LF after it adds no blank line
    + "W" * 80 + "\r\n"
    + "V" * 80 + "v\r\n"
    # CSI s / u save and restore like ESC 7 / 8, colours included
    f"{at(9,1)}{CSI}32m{CSI}s{CSI}0m{at(10,10)}{CSI}u{CSI}K green{CSI}0m"
    # control bytes with no function draw nothing, FF and VT feed lines, DEL is ignored
    f"{at(11,1)}a\x01\x02\x7fb\x0cc\x0bd"
    # control bytes inside a sequence run and the sequence goes on; CAN cancels one
    f"{at(14,1)}{CSI}2\x08C{CSI}\x0d5Cm{CSI}3\x18n"
    # the region homes the cursor (to its top in origin mode); up and down stop at its edges
    f"{CSI}?6h{CSI}16;20r!{CSI}?6l{at(18,5)}{CSI}9Au{CSI}9Bd"
    # a line feed below the region moves down without scrolling it
    f"{at(21,1)}R21{at(22,1)}R22{CSI}21;22r{at(24,1)}\n\n\nlast{CSI}r")

# --- UTF-8 text, on either dialect ---------------------------------------------
put_bytes("utf8_board",
    "é─█» ┌──┐ Ωβμ ’quotes’ — dash\r\n".encode()
    # zero-width marks vanish, wide characters take two cells
    + "e\u0301 漢字 😀|\r\n".encode()
    # one replacement per bad sequence: stray continuation, overlong (two, three and four
    # bytes), surrogate, past U+10FFFF, a lead cut by ASCII, by ESC and at the end of the text
    + b"[\x80][\xc0\xaf][\xe0\x80\xaf][\xf0\x80\x80\xaf][\xed\xa0\x80][\xf4\x90\x80\x80]"
    + b"[\xe2\x94A][\xc3\x1b[1mB]\x1b[0m\r\n"
    + b"\x01\x7f" + "€±".encode() + b"\xe2\x94")
