#!/usr/bin/env python3
"""Builds data/flori.fnt, the game's 8 by 16 bitmap font, from a Terminus console font.

The output is 256 glyphs of 16 bytes, no header: glyph g at offset 16 * g, one byte per
row, top row first, most significant bit leftmost. Glyphs are placed by code page 437:
bytes 32..126 are ASCII, 1..31 and 127 the code page's symbols (smileys, arrows, the
house), 128..255 its accented letters, box drawing, shading and maths signs. Byte 0 is
blank. The solid block elements (half blocks, dark shade) that the console font lacks are
drawn here; any other character the source font lacks is left blank and listed on standard
error.

Usage: make_font.py [SOURCE.psf[.gz]] [OUTPUT]
Defaults: /usr/share/consolefonts/Uni2-Terminus16.psf.gz (Debian's console-setup-linux)
and data/flori.fnt next to this script's folder.
"""
import gzip
import os
import struct
import sys

HEIGHT = 16
WIDTH = 8
GLYPH_COUNT = 256

# Code page 437's pictures for the control bytes; Python's cp437 codec decodes these as
# control characters, so they are listed here.
CP437_LOW = ("\u0000\u263a\u263b\u2665\u2666\u2663\u2660\u2022\u25d8\u25cb\u25d9\u2642"
             "\u2640\u266a\u266b\u263c\u25ba\u25c4\u2195\u203c\u00b6\u00a7\u25ac\u21a8"
             "\u2191\u2193\u2192\u2190\u221f\u2194\u25b2\u25bc")
CP437_DEL = "\u2302"


def code_page_character(byte):
    """The Unicode character that code page 437 shows for this byte (None for byte 0)."""
    if byte == 0:
        return None
    if byte < 32:
        return CP437_LOW[byte]
    if byte == 127:
        return CP437_DEL
    return bytes([byte]).decode("cp437")


def drawn_block(ch):
    """The block elements Terminus leaves out, drawn on the 8 by 16 cell (None: not one)."""
    if ch == "\u2580":  # upper half
        return bytes([0xFF] * 8 + [0x00] * 8)
    if ch == "\u2584":  # lower half
        return bytes([0x00] * 8 + [0xFF] * 8)
    if ch == "\u258c":  # left half
        return bytes([0xF0] * 16)
    if ch == "\u2590":  # right half
        return bytes([0x0F] * 16)
    if ch == "\u2593":  # dark shade: three pixels in four
        return bytes([0xEE if row % 2 == 0 else 0xBB for row in range(16)])
    return None


def read_psf(data):
    """Returns (glyph bitmaps, {code point: glyph index}) of a PSF1 or PSF2 font."""
    if data[:2] == b"\x36\x04":
        mode, charsize = data[2], data[3]
        count = 512 if mode & 1 else 256
        has_table = bool(mode & 6)
        if charsize != HEIGHT:
            raise SystemExit("font is %d rows high, not %d" % (charsize, HEIGHT))
        offset = 4
        glyphs = [data[offset + i * charsize: offset + (i + 1) * charsize] for i in range(count)]
        table = {}
        if has_table:
            pos = offset + count * charsize
            for index in range(count):
                while pos + 1 < len(data):
                    (value,) = struct.unpack_from("<H", data, pos)
                    pos += 2
                    if value == 0xFFFF:
                        break
                    if value == 0xFFFE:  # sequences follow; skip to the end of the entry
                        continue
                    table.setdefault(value, index)
        return glyphs, table
    if data[:4] == b"\x72\xb5\x4a\x86":
        _version, header, flags, count, charsize, height, width = struct.unpack_from("<7I", data, 4)
        if height != HEIGHT or width != WIDTH or charsize != HEIGHT:
            raise SystemExit("font is %dx%d, not %dx%d" % (width, height, WIDTH, HEIGHT))
        glyphs = [data[header + i * charsize: header + (i + 1) * charsize] for i in range(count)]
        table = {}
        if flags & 1:
            pos = header + count * charsize
            for index in range(count):
                entry_end = data.index(b"\xff", pos)
                entry = data[pos:entry_end]
                pos = entry_end + 1
                single = entry.split(b"\xfe")[0].decode("utf-8")
                for ch in single:
                    table.setdefault(ord(ch), index)
        return glyphs, table
    raise SystemExit("not a PSF font")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    source = sys.argv[1] if len(sys.argv) > 1 else "/usr/share/consolefonts/Uni2-Terminus16.psf.gz"
    output = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "data", "flori.fnt")
    with open(source, "rb") as f:
        raw = f.read()
    if raw[:2] == b"\x1f\x8b":
        raw = gzip.decompress(raw)
    glyphs, table = read_psf(raw)
    if not table:
        raise SystemExit("font has no Unicode table to place its glyphs by")
    out = bytearray(GLYPH_COUNT * HEIGHT)
    missing = []
    for byte in range(GLYPH_COUNT):
        ch = code_page_character(byte)
        if ch is None:
            continue
        index = table.get(ord(ch))
        if index is None and drawn_block(ch) is not None:
            out[byte * HEIGHT:(byte + 1) * HEIGHT] = drawn_block(ch)
            continue
        if index is None:
            missing.append("%d (U+%04X)" % (byte, ord(ch)))
            continue
        out[byte * HEIGHT:(byte + 1) * HEIGHT] = glyphs[index]
    with open(output, "wb") as f:
        f.write(out)
    if missing:
        sys.stderr.write("left blank, not in the source font: %s\n" % ", ".join(missing))


if __name__ == "__main__":
    main()
