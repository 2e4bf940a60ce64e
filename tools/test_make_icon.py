#!/usr/bin/env python3
"""Checks what make_icon.py writes, read back by a reader of this test's own: vask.ico holds
16, 24, 32, 48 and 256 pixel images and favicon.ico 16 and 32, each entry a PNG that decodes
to its directory's size; every theme PNG and the site's are the size their names give; the
16 pixel picture is not blank (the cycle and its wall stand out from the background); the
window icon's C array holds a 32 pixel RGBA picture."""
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'make_icon.py')


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


class MakeIconTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.out = cls.tmp.name
        cls.header = os.path.join(cls.out, 'window_icon.h')
        subprocess.run([sys.executable, TOOL, cls.out, '--sdl-header', cls.header], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def read(self, *path):
        with open(os.path.join(self.out, *path), 'rb') as f:
            return f.read()

    def test_icon_files_hold_each_size_as_a_png_of_that_size(self):
        for name, sizes in (('vask.ico', [16, 24, 32, 48, 256]), ('favicon.ico', [16, 32])):
            with self.subTest(name):
                entries = read_ico(self.read(name))
                self.assertEqual([e[0] for e in entries], sizes)
                for size, width, height in entries:
                    self.assertEqual((width, height), (size, size))

    def test_theme_and_site_pngs_are_their_sizes(self):
        files = [(('hicolor', '%dx%d' % (n, n), 'apps', 'vask-light-cycles.png'), n)
                 for n in (16, 24, 32, 48, 64, 128, 256)]
        files += [(('icon-192.png',), 192), (('icon-512.png',), 512)]
        for path, n in files:
            with self.subTest(path=path):
                width, height, _ = decode_png(self.read(*path))
                self.assertEqual((width, height), (n, n))

    def test_the_16_pixel_picture_stands_out_from_its_background(self):
        _, _, rows = decode_png(self.read('hicolor', '16x16', 'apps', 'vask-light-cycles.png'))
        lum = [0.2126 * r + 0.7152 * g + 0.0722 * b
               for row in rows for r, g, b in zip(row[0::4], row[1::4], row[2::4])]
        middle = sorted(lum)[len(lum) // 2]  # the background, most of the tile
        bright = sum(1 for v in lum if v - middle > 100)
        # The wall and the cycle: a good part of the tile, well lighter than the background.
        self.assertGreater(bright, len(lum) // 6, 'only %d bright pixels' % bright)

    def test_window_icon_header_holds_a_32_pixel_rgba_picture(self):
        text = self.read('window_icon.h').decode()
        self.assertIn('VASK_ICON_SIZE = 32', text)
        body = text[text.index('{', text.index('vaskIconRgba')) + 1:text.rindex('}')]
        values = [int(v) for v in re.findall(r'\d+', body)]
        self.assertEqual(len(values), 32 * 32 * 4)
        _, _, rows = decode_png(self.read('hicolor', '32x32', 'apps', 'vask-light-cycles.png'))
        self.assertEqual(bytes(values), b''.join(rows))


if __name__ == '__main__':
    unittest.main()
