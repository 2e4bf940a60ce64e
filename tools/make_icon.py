#!/usr/bin/env python3
"""Draws the game's icon, a light cycle and the wall it leaves, at every size a desktop or
a browser asks for, and writes them into OUT_DIR:

  vask.ico                                    16, 24, 32, 48 and 256 pixels (the Windows program)
  hicolor/<N>x<N>/apps/vask-light-cycles.png  N = 16 24 32 48 64 128 256 (the Linux icon theme)
  favicon.ico                                 16 and 32 pixels (the site)
  icon-192.png, icon-512.png                  (the site's web app manifest)

With --sdl-header FILE it also writes a 32 pixel image as a C array for the SDL window.
Standard library only: the shapes are filled by a small supersampling rasteriser, and the
files are packed by hand (PNG through zlib, ICO holding PNG entries).

usage: make_icon.py OUT_DIR [--sdl-header FILE]
"""
import os
import struct
import sys
import zlib

HICOLOR_SIZES = (16, 24, 32, 48, 64, 128, 256)
ICO_SIZES = (16, 24, 32, 48, 256)
FAVICON_SIZES = (16, 32)
SDL_ICON_SIZE = 32

BACKGROUND = (12, 16, 34)
EDGE = (34, 46, 84)
WALL = (40, 220, 255)
WALL_CORE = (200, 250, 255)
CYCLE = (255, 150, 30)
WHEEL = (255, 230, 180)
HUB = (12, 16, 34)

# The picture, in a unit square (x right, y down): a rounded dark tile; the wall rises on
# the left, turns the corner and runs along the floor into the back of the cycle, which
# rides to the right on two large wheels. Shapes are painted in order, later on top.
def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in < (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def polygon(points):
    # Even-odd rule.
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (xa, ya), (xb, yb) = points[i], points[(i + 1) % n]
            if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                hit = not hit
        return hit
    return inside


def shapes(detailed):
    """The layers of the picture. Small sizes leave out the details that would only blur
    into the background (the wall's bright core, the wheels' hubs, the canopy)."""
    layers = [
        (rounded_rect(0.0, 0.0, 1.0, 1.0, 0.18), EDGE),
        (rounded_rect(0.04, 0.04, 0.96, 0.96, 0.15), BACKGROUND),
        # The wall: up the left side, then along the floor to the cycle.
        (rounded_rect(0.10, 0.12, 0.25, 0.80, 0.03), WALL),
        (rounded_rect(0.10, 0.62, 0.50, 0.80, 0.03), WALL),
    ]
    if detailed:
        layers += [(rounded_rect(0.155, 0.175, 0.195, 0.745, 0.02), WALL_CORE),
                   (rounded_rect(0.155, 0.685, 0.46, 0.745, 0.02), WALL_CORE)]
    # The cycle: long and low, a wheel at each end, the nose to the right.
    layers += [
        (polygon([(0.34, 0.76), (0.36, 0.62), (0.50, 0.50), (0.66, 0.46), (0.80, 0.52),
                  (0.97, 0.66), (0.97, 0.76)]), CYCLE),
        (circle(0.47, 0.75, 0.12), WHEEL),
        (circle(0.84, 0.75, 0.12), WHEEL),
    ]
    if detailed:
        layers += [(circle(0.47, 0.75, 0.06), HUB), (circle(0.84, 0.75, 0.06), HUB),
                   (polygon([(0.52, 0.545), (0.66, 0.51), (0.76, 0.555), (0.60, 0.575)]), HUB)]
    return layers


def draw(size):
    """RGBA rows. A pixel whose four corners meet the same colour takes it; the others (the
    edges of shapes) are the average of SxS samples, which keeps the large sizes quick."""
    samples = 8
    layers = shapes(detailed=size >= 32)

    def colour_at(x, y):
        colour = None
        for inside, c in layers:
            if inside(x, y):
                colour = c
        return colour

    corners = [[colour_at(px / size, py / size) for px in range(size + 1)] for py in range(size + 1)]
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            near = {corners[py][px], corners[py][px + 1], corners[py + 1][px], corners[py + 1][px + 1]}
            if len(near) == 1 and size > 24:
                colour = near.pop()
                row += bytes(colour + (255,)) if colour else bytes(4)
                continue
            r = g = b = cover = 0
            for sy in range(samples):
                y = (py + (sy + 0.5) / samples) / size
                for sx in range(samples):
                    colour = colour_at((px + (sx + 0.5) / samples) / size, y)
                    if colour:
                        r += colour[0]; g += colour[1]; b += colour[2]; cover += 1
            if cover:
                # Colour weighted by coverage, so the tile's anti-aliased edge does not darken.
                row += bytes((r // cover, g // cover, b // cover, 255 * cover // (samples * samples)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)  # filter type 0 on every row
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


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
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != "--sdl-header"):
        sys.stderr.write(__doc__.split("\n\n")[-1])
        return 2
    out = argv[1]
    sizes = sorted(set(HICOLOR_SIZES + ICO_SIZES + FAVICON_SIZES + (SDL_ICON_SIZE, 192, 512)))
    pictures = {size: draw(size) for size in sizes}
    pngs = {size: png(size, rows) for size, rows in pictures.items()}
    write(os.path.join(out, "vask.ico"), ico([(s, pngs[s]) for s in ICO_SIZES]))
    write(os.path.join(out, "favicon.ico"), ico([(s, pngs[s]) for s in FAVICON_SIZES]))
    for s in HICOLOR_SIZES:
        write(os.path.join(out, "hicolor", "%dx%d" % (s, s), "apps", "vask-light-cycles.png"), pngs[s])
    write(os.path.join(out, "icon-192.png"), pngs[192])
    write(os.path.join(out, "icon-512.png"), pngs[512])
    if len(argv) == 4:
        write(argv[3], c_header(SDL_ICON_SIZE, pictures[SDL_ICON_SIZE]).encode())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
