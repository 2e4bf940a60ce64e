#!/usr/bin/env python3
"""Checks the icon files make_icon.py makes with render_icon, read back by a reader of this
test's own: vask.ico holds 16, 24, 32, 48 and 256 pixel images and favicon.ico 16 and 32,
each entry a PNG that decodes to its directory's size; every theme PNG and the site's are
the size their names give; at every size the background is clear, everything drawn is
bordered by a dark outline (the 16 pixel icon keeps its shape on any desktop), and the
player's colour from the match file covers a good part of the picture, another colour when
the match file gives another; the window icon's C array is the 32 pixel picture; a data
folder without the model makes no icon and says why.

usage: test_make_icon.py RENDERER   (the built render_icon)
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(HERE, 'make_icon.py')
DATA = os.path.join(os.path.dirname(HERE), 'data')
RENDERER = None  # from the command line
THEME_SIZES = (16, 24, 32, 48, 64, 128, 256)


def decode_png(data):
    """(width, height, rows of RGBA bytes) of an 8-bit RGBA PNG with no row filters."""
    assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
    at, idat, header = 8, b'', None
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        assert len(body) == length, 'chunk cut short'
        crc, = struct.unpack('>I', data[at + 8 + length:at + 12 + length])
        assert crc == zlib.crc32(kind + body) & 0xFFFFFFFF, 'bad chunk CRC'
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert (depth, colour, interlace) == (8, 6, 0), 'not 8-bit RGBA'
    raw = zlib.decompress(idat)
    stride = 1 + 4 * width
    assert len(raw) == stride * height, 'pixel data is not width by height'
    rows = [raw[y * stride:(y + 1) * stride] for y in range(height)]
    assert all(row[0] == 0 for row in rows), 'row filter this reader does not undo'
    return width, height, [row[1:] for row in rows]


def read_ico(data):
    """[(size, width, height)] of each directory entry and its PNG."""
    reserved, kind, count = struct.unpack('<HHH', data[:6])
    assert (reserved, kind) == (0, 1), 'not an icon file'
    entries = []
    for i in range(count):
        w, h, _, _, planes, bits, length, offset = struct.unpack(
            '<BBBBHHII', data[6 + 16 * i:22 + 16 * i])
        assert offset + length <= len(data), 'entry past the end of the file'
        pw, ph, _ = decode_png(data[offset:offset + length])
        entries.append((w or 256, pw, ph))
    return entries


def pixels(rows):
    """{(x, y): (r, g, b, a)}."""
    return {(x, y): tuple(row[4 * x:4 * x + 4]) for y, row in enumerate(rows)
            for x in range(len(row) // 4)}


def luminance(p):
    return 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]


def make_icon(data_dir, out):
    return subprocess.run([sys.executable, TOOL, RENDERER, data_dir, out, '--sdl-header',
                           os.path.join(out, 'window_icon.h')], capture_output=True, text=True)


def player_colour(data_dir):
    """The first line of the match file, in bytes, as the wall of light shows it."""
    with open(os.path.join(data_dir, 'setup.txt')) as f:
        return tuple(round(float(v) * 255) for v in f.readline().split()[:3])


class MakeIconTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.tmp.name, 'icon')
        made = make_icon(DATA, cls.out)
        assert made.returncode == 0, made.stderr

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def read(self, *path, out=None):
        with open(os.path.join(out or self.out, *path), 'rb') as f:
            return f.read()

    def theme_picture(self, size, out=None):
        return pixels(decode_png(self.read('hicolor', '%dx%d' % (size, size), 'apps',
                                           'vask-light-cycles.png', out=out))[2])

    def test_icon_files_hold_each_size_as_a_png_of_that_size(self):
        for name, sizes in (('vask.ico', [16, 24, 32, 48, 256]), ('favicon.ico', [16, 32])):
            with self.subTest(name):
                entries = read_ico(self.read(name))
                self.assertEqual([e[0] for e in entries], sizes)
                for size, width, height in entries:
                    self.assertEqual((width, height), (size, size))

    def test_theme_and_site_pngs_are_their_sizes(self):
        files = [(('hicolor', '%dx%d' % (n, n), 'apps', 'vask-light-cycles.png'), n)
                 for n in THEME_SIZES]
        files += [(('icon-192.png',), 192), (('icon-512.png',), 512)]
        for path, n in files:
            with self.subTest(path=path):
                width, height, _ = decode_png(self.read(*path))
                self.assertEqual((width, height), (n, n))

    def test_everything_drawn_is_outlined_in_dark_on_a_clear_background(self):
        for size in THEME_SIZES:
            with self.subTest(size=size):
                picture = self.theme_picture(size)
                corners = [(0, 0), (size - 1, 0), (0, size - 1), (size - 1, size - 1)]
                self.assertEqual([picture[c][3] for c in corners], [0] * 4, 'the corners are not clear')
                # A drawn pixel beside the clear background (or the picture's edge) is outline.
                border = [p for (x, y), p in picture.items() if p[3] and any(
                    picture.get((x + dx, y + dy), (0, 0, 0, 0))[3] == 0
                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))]
                self.assertGreater(len(border), size, 'the drawing has almost no border')
                light = [p for p in border if luminance(p) > 40]
                self.assertEqual(light, [], 'border pixels not dark: %s' % light[:8])

    def assert_colour_covers_a_tenth(self, picture, colour):
        opaque = [p for p in picture.values() if p[3] == 255]
        near = [p for p in opaque if sum((a - b) ** 2 for a, b in zip(p, colour)) < 40 ** 2]
        self.assertGreater(len(near), len(opaque) // 10,
                           '%d of %d pixels near %s' % (len(near), len(opaque), colour))

    def test_the_players_colour_covers_a_good_part_of_every_size(self):
        colour = player_colour(DATA)
        for size in THEME_SIZES:
            with self.subTest(size=size):
                self.assert_colour_covers_a_tenth(self.theme_picture(size), colour)

    def test_another_player_colour_draws_another_icon(self):
        data = os.path.join(self.tmp.name, 'green')
        os.makedirs(data)
        shutil.copy(os.path.join(DATA, 'vask3.wrl'), data)
        with open(os.path.join(data, 'setup.txt'), 'w') as f:
            f.write('0.3 1.0 0.3\n')
        out = os.path.join(self.tmp.name, 'green-icon')
        made = make_icon(data, out)
        self.assertEqual(made.returncode, 0, made.stderr)
        for size in (16, 256):
            with self.subTest(size=size):
                picture = self.theme_picture(size, out=out)
                self.assert_colour_covers_a_tenth(picture, (77, 255, 77))
                self.assertNotEqual(picture, self.theme_picture(size))

    def test_window_icon_header_holds_the_32_pixel_picture(self):
        text = self.read('window_icon.h').decode()
        self.assertIn('VASK_ICON_SIZE = 32', text)
        body = text[text.index('{', text.index('vaskIconRgba')) + 1:text.rindex('}')]
        values = [int(v) for v in re.findall(r'\d+', body)]
        self.assertEqual(len(values), 32 * 32 * 4)
        _, _, rows = decode_png(self.read('hicolor', '32x32', 'apps', 'vask-light-cycles.png'))
        self.assertEqual(bytes(values), b''.join(rows))

    def test_a_data_folder_without_the_model_makes_no_icon(self):
        data = os.path.join(self.tmp.name, 'no-model')
        os.makedirs(data)
        shutil.copy(os.path.join(DATA, 'setup.txt'), data)
        out = os.path.join(self.tmp.name, 'no-icon')
        made = make_icon(data, out)
        self.assertNotEqual(made.returncode, 0)
        self.assertIn('Could not open .WRL file', made.stderr)
        self.assertFalse(os.path.exists(os.path.join(out, 'vask.ico')))


if __name__ == '__main__':
    RENDERER = os.path.abspath(sys.argv.pop(1))
    unittest.main()
