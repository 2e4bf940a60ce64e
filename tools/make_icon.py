#!/usr/bin/env python3
"""Makes the game's icon files from the pictures render_icon draws (the player's light
cycle and its wall, drawn by the game's own renderer off screen), and writes them into
OUT_DIR:

  vask.ico                                    16, 24, 32, 48 and 256 pixels (the Windows program)
  hicolor/<N>x<N>/apps/vask-light-cycles.png  N = 16 24 32 48 64 128 256 (the Linux icon theme)
  favicon.ico                                 16 and 32 pixels (the site)
  icon-192.png, icon-512.png                  (the site's web app manifest)

With --sdl-header FILE it also writes the 32 pixel picture as a C array for the SDL window.
RENDERER is the built render_icon (tools/icon/), DATA_DIR the game's data folder.

usage: make_icon.py RENDERER DATA_DIR OUT_DIR [--sdl-header FILE]
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HICOLOR_SIZES = (16, 24, 32, 48, 64, 128, 256)
ICO_SIZES = (16, 24, 32, 48, 256)
FAVICON_SIZES = (16, 32)
SITE_SIZES = (192, 512)
SDL_ICON_SIZE = 32
ALL_SIZES = sorted(set(HICOLOR_SIZES + ICO_SIZES + FAVICON_SIZES + SITE_SIZES + (SDL_ICON_SIZE,)))


def png_rgba_rows(data):
    """The rows of an 8-bit RGBA PNG as render_icon writes it: one IDAT, rows unfiltered."""
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data[16:29])
    if data[:8] != b"\x89PNG\r\n\x1a\n" or (depth, colour, interlace) != (8, 6, 0):
        raise ValueError("not an 8-bit RGBA PNG")
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        if kind == b"IDAT":
            idat += data[at + 8:at + 8 + length]
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = 1 + 4 * width
    if len(raw) != stride * height or any(raw[y * stride] for y in range(height)):
        raise ValueError("pixel data not as render_icon writes it")
    return [raw[y * stride + 1:(y + 1) * stride] for y in range(height)]


def ico(images):
    """An ICO file whose entries are PNGs (Windows Vista and later, and every browser)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory = b""
    for size, data in images:
        dim = 0 if size >= 256 else size  # 0 stands for 256
        directory += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return header + directory + b"".join(data for _, data in images)


def c_header(size, rows):
    pixels = b"".join(rows)
    lines = [", ".join(str(v) for v in pixels[i:i + 16]) for i in range(0, len(pixels), 16)]
    return ("// Made by tools/make_icon.py: the window icon, %d by %d RGBA, rows top first.\n"
            "#pragma once\n"
            "enum { VASK_ICON_SIZE = %d };\n"
            "static const unsigned char vaskIconRgba[%d] = {\n  %s\n};\n"
            % (size, size, size, len(pixels), ",\n  ".join(lines)))


def write(path, data):
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) not in (4, 6) or (len(argv) == 6 and argv[4] != "--sdl-header"):
        sys.stderr.write(__doc__.split("\n\n")[-1])
        return 2
    renderer, data_dir, out = argv[1:4]
    with tempfile.TemporaryDirectory() as drawn:
        result = subprocess.run([renderer, data_dir, drawn] + [str(s) for s in ALL_SIZES])
        if result.returncode != 0:
            sys.stderr.write("make_icon: render_icon failed (exit status %d)\n" % result.returncode)
            return 1
        pngs = {}
        for size in ALL_SIZES:
            with open(os.path.join(drawn, "vask-%d.png" % size), "rb") as f:
                pngs[size] = f.read()
    write(os.path.join(out, "vask.ico"), ico([(s, pngs[s]) for s in ICO_SIZES]))
    write(os.path.join(out, "favicon.ico"), ico([(s, pngs[s]) for s in FAVICON_SIZES]))
    for s in HICOLOR_SIZES:
        write(os.path.join(out, "hicolor", "%dx%d" % (s, s), "apps", "vask-light-cycles.png"), pngs[s])
    for s in SITE_SIZES:
        write(os.path.join(out, "icon-%d.png" % s), pngs[s])
    if len(argv) == 6:
        write(argv[5], c_header(SDL_ICON_SIZE, png_rgba_rows(pngs[SDL_ICON_SIZE])).encode())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
