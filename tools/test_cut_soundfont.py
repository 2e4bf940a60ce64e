#!/usr/bin/env python3
"""Checks cut_soundfont.py on a small soundfont and songs of its own: the cut font holds
exactly the song's presets, each with the same zones, instruments and sample data as in the
full font, read back through its own indices; a song that picks another preset needs the
full font; a damaged font is refused with a message."""
import contextlib
import io
import json
import os
import struct
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, '..', 'tests', 'songs'))
import cut_soundfont  # noqa: E402
import make_test_songs  # noqa: E402


def chunk(cid, body):
    return cid.encode() + struct.pack('<I', len(body)) + body + (b'\0' if len(body) & 1 else b'')


def name20(text):
    return text.encode().ljust(20, b'\0')


def make_font():
    """Six presets over six instruments and seven samples: shared instruments, global zones,
    modulators, a stereo pair and a drum kit, so every index has something to move."""
    # Records the cut drops come first and between kept ones, so that kept ones move.
    samples = [('organ', 35), ('piano', 40), ('bassL', 30), ('bassR', 30), ('flute', 25),
               ('kick', 20), ('snare2', 18), ('snare', 22)]
    smpl, shdr, place = b'', b'', {}
    for k, (name, n) in enumerate(samples):
        start = len(smpl) // 2
        smpl += struct.pack(f'<{n}h', *[(k + 1) * 100 + i for i in range(n)]) + bytes(46 * 2)
        place[name] = k
        kind, link = 1, 0
        if name == 'bassL':
            kind, link = 4, 3
        if name == 'bassR':
            kind, link = 2, 2
        shdr += name20(name) + struct.pack('<5IBbHH', start, start + n, start + 2, start + n - 3,
                                           22050, 60, 0, link, kind)
    shdr += name20('EOS') + bytes(26)
    # instruments: name, zones; a zone is (generators, modulator count)
    instruments = [
        ('Organ', [([(53, place['organ'])], 1)]),
        ('Piano', [([(17, 5)], 1), ([(43, 0x7f00), (53, place['piano'])], 0)]),  # global zone first
        # The right side is reached only through the left's link.
        ('Bass', [([(53, place['bassL'])], 0), ([(43, 0x7f60), (53, place['piano'])], 1)]),
        ('Kit2', [([(53, place['snare2'])], 2)]),
        ('Flute', [([(53, place['flute'])], 0)]),
        ('Kit', [([(43, 0x2424), (53, place['kick'])], 0), ([(43, 0x2626), (53, place['snare'])], 2)]),
    ]
    presets = [  # name, program, bank, zones of (instrument index or None, modulator count)
        ('Organ', 19, 0, [(0, 1)]),
        ('Piano', 0, 0, [(1, 0)]),
        ('Bass', 33, 0, [(None, 1), (2, 0)]),
        ('Room', 8, 128, [(3, 0)]),
        ('Flute', 73, 0, [(4, 1), (1, 0)]),
        ('Standard', 0, 128, [(5, 0)]),
    ]

    def mod(k):
        return struct.pack('<HHhHH', 2, 48, k + 1, 0, 0)

    inst = ibag = igen = imod = b''
    nbag = ngen = nmod = 0
    for name, zones in instruments:
        inst += name20(name) + struct.pack('<H', nbag)
        for gens, mods in zones:
            ibag += struct.pack('<HH', ngen, nmod)
            nbag += 1
            for oper, amount in gens:
                igen += struct.pack('<HH', oper, amount)
                ngen += 1
            for _ in range(mods):
                imod += mod(nmod)
                nmod += 1
    inst += name20('EOI') + struct.pack('<H', nbag)
    ibag += struct.pack('<HH', ngen, nmod)
    igen += bytes(4)
    imod += bytes(10)
    phdr = pbag = pgen = pmod = b''
    nbag = ngen = nmod = 0
    for name, program, bank, zones in presets:
        phdr += name20(name) + struct.pack('<HHHIII', program, bank, nbag, 0, 0, 0)
        for instrument, mods in zones:
            pbag += struct.pack('<HH', ngen, nmod)
            nbag += 1
            pgen += struct.pack('<HH', 48, 10 + ngen)  # a generator of no index, kept as is
            ngen += 1
            if instrument is not None:
                pgen += struct.pack('<HH', 41, instrument)
                ngen += 1
            for _ in range(mods):
                pmod += mod(100 + nmod)
                nmod += 1
    phdr += name20('EOP') + struct.pack('<HHHIII', 0, 0, nbag, 0, 0, 0)
    pbag += struct.pack('<HH', ngen, nmod)
    pgen += bytes(4)
    pmod += bytes(10)
    info = b'INFO' + chunk('ifil', struct.pack('<HH', 2, 1)) + chunk('INAM', b'Test font\0')
    pdta = b'pdta' + b''.join(chunk(c, b) for c, b in (
        ('phdr', phdr), ('pbag', pbag), ('pmod', pmod), ('pgen', pgen), ('inst', inst),
        ('ibag', ibag), ('imod', imod), ('igen', igen), ('shdr', shdr)))
    return chunk('RIFF', b'sfbk' + chunk('LIST', info) + chunk('LIST', b'sdta' + chunk('smpl', smpl))
                 + chunk('LIST', pdta))


def make_song(events):
    """A type 0 MIDI file; events are (delta, bytes)."""
    track = b''.join(bytes([delta]) + bytes(data) for delta, data in events) + b'\0\xff\x2f\0'
    return b'MThd' + struct.pack('>IHHH', 6, 0, 1, 96) + b'MTrk' + struct.pack('>I', len(track)) + track


# The title song's kind of use: the bass (bank select 0 first), the flute from the second
# note on a channel that starts at the piano, and the drum kit. Channel 3 changes to the
# organ but plays nothing.
SONG_EVENTS = [
    (0, [0xB0, 0, 0]), (0, [0xC0, 33]), (0, [0x90, 40, 90]), (10, [0x80, 40, 0]),
    (0, [0x91, 60, 80]), (10, [0x91, 60, 0]), (0, [0xC1, 73]), (0, [0x91, 62, 80]), (5, [64, 80]),
    (10, [0x81, 62, 0]), (0, [0xC3, 19]),
    (0, [0x99, 36, 100]), (10, [0x89, 36, 0]),
]
SONG = make_song(SONG_EVENTS)
SONG_PRESETS = [(0, 0), (0, 33), (0, 73), (128, 0)]
ORGAN_SONG = make_song([(0, [0xC0, 19]), (0, [0x90, 60, 100]), (20, [0x80, 60, 0])])
# The title song's presets, and a GS reset first.
RESET_SONG = make_song([(0, make_test_songs.gs_reset())] + SONG_EVENTS)


def read_font(data):
    """Each preset, by (bank, program), with everything it leads to, looked up by index and
    written out by value: zones of generators, instruments by name and zones, samples by
    name, sample points, loop points relative to the start, and the linked sample's name."""
    riff = {}

    def walk(start, end, into):
        pos = start
        while pos + 8 <= end:
            cid = data[pos:pos + 4].decode()
            size = struct.unpack_from('<I', data, pos + 4)[0]
            body = (pos + 8, pos + 8 + size)
            if cid == 'LIST':
                walk(body[0] + 4, body[1], into)
            else:
                into[cid] = data[body[0]:body[1]]
            pos += 8 + size + (size & 1)
    walk(12, len(data), riff)

    def records(cid, size):
        raw = riff[cid]
        return [raw[i:i + size] for i in range(0, len(raw), size)]
    phdr, pbag, pgen, pmod = records('phdr', 38), records('pbag', 4), records('pgen', 4), records('pmod', 10)
    inst, ibag, igen, imod = records('inst', 22), records('ibag', 4), records('igen', 4), records('imod', 10)
    shdr = records('shdr', 46)
    smpl = riff['smpl']
    u16 = lambda r, o: struct.unpack_from('<H', r, o)[0]  # noqa: E731

    def sample(k):
        h = shdr[k]
        start, end, loop_start, loop_end = struct.unpack_from('<4I', h, 20)
        link = shdr[u16(h, 42)][:20] if u16(h, 44) & 6 else None
        return (h[:20], smpl[start * 2:end * 2], loop_start - start, loop_end - start, link, h[36:42], u16(h, 44))

    def zones(headers, bag_at, bags, gens, mods, k, follow):
        out = []
        for b in range(u16(headers[k], bag_at), u16(headers[k + 1], bag_at)):
            zone_gens = []
            for g in gens[u16(bags[b], 0):u16(bags[b + 1], 0)]:
                zone_gens.append(follow(g))
            out.append((zone_gens, mods[u16(bags[b], 2):u16(bags[b + 1], 2)]))
        return out

    def follow_igen(g):
        return ('sample', sample(u16(g, 2))) if u16(g, 0) == 53 else g

    def instrument(k):
        return (inst[k][:20], zones(inst, 20, ibag, igen, imod, k, follow_igen))

    def follow_pgen(g):
        return ('instrument', instrument(u16(g, 2))) if u16(g, 0) == 41 else g

    font = {}
    for k in range(len(phdr) - 1):
        font[(u16(phdr[k], 22), u16(phdr[k], 20))] = (phdr[k][:20], phdr[k][26:38],
                                                       zones(phdr, 24, pbag, pgen, pmod, k, follow_pgen))
    terminals = (phdr[-1][:3], inst[-1][:3], shdr[-1][:3], pgen[-1], igen[-1], pmod[-1], imod[-1])
    counts = (u16(pbag[-1], 0) == len(pgen) - 1, u16(pbag[-1], 2) == len(pmod) - 1,
              u16(ibag[-1], 0) == len(igen) - 1, u16(ibag[-1], 2) == len(imod) - 1,
              u16(phdr[-1], 24) == len(pbag) - 1, u16(inst[-1], 20) == len(ibag) - 1)
    return font, terminals, counts, len(inst) - 1, len(shdr) - 1, len(smpl)


class CutSoundfontTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = lambda name: os.path.join(self.dir.name, name)  # noqa: E731
        for name, data in (('full.sf2', make_font()), ('song.mid', SONG), ('organ.mid', ORGAN_SONG),
                           ('reset.mid', RESET_SONG)):
            with open(self.path(name), 'wb') as f:
                f.write(data)

    def tearDown(self):
        self.dir.cleanup()

    def run_tool(self, *args):
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            code = cut_soundfont.main([a if a in ('cut', 'needs') else self.path(a) for a in args])
        return code, out.getvalue(), err.getvalue()

    def test_cut_keeps_the_songs_presets_with_everything_they_lead_to(self):
        self.assertEqual(self.run_tool('cut', 'full.sf2', 'song.mid', 'cut.sf2', 'cut.json')[0], 0)
        with open(self.path('full.sf2'), 'rb') as f:
            full, full_terminals, _, _, _, _ = read_font(f.read())
        with open(self.path('cut.sf2'), 'rb') as f:
            cut, terminals, counts, instruments, samples, smpl_bytes = read_font(f.read())
        self.assertEqual(sorted(cut), SONG_PRESETS)
        for preset in SONG_PRESETS:
            self.assertEqual(cut[preset], full[preset], preset)
        self.assertEqual(terminals, full_terminals)
        self.assertEqual(counts, (True,) * 6)
        # Piano, Bass, Flute, Kit; piano, both sides of the bass, flute, kick, snare: each
        # once, each with its padding; not the organ's, nor the room kit's.
        self.assertEqual((instruments, samples), (4, 6))
        self.assertEqual(smpl_bytes, (40 + 30 + 30 + 25 + 20 + 22 + 6 * 46) * 2)
        with open(self.path('cut.json')) as f:
            self.assertEqual(json.load(f), {'presets': [list(p) for p in SONG_PRESETS]})

    def test_a_song_with_another_preset_needs_the_full_font(self):
        self.run_tool('cut', 'full.sf2', 'song.mid', 'cut.sf2', 'cut.json')
        self.assertEqual(self.run_tool('needs', 'song.mid', 'cut.json')[:2], (0, 'cut\n'))
        self.assertEqual(self.run_tool('needs', 'organ.mid', 'cut.json')[:2], (0, 'full\n'))
        self.assertEqual(self.run_tool('needs', 'reset.mid', 'cut.json')[:2], (0, 'full\n'))

    def test_the_songs_readers_are_tried_on_need_what_they_are_written_to(self):
        # The page's and the desktop's readers are held to the same answers.
        for name, song, needs in make_test_songs.SONGS:
            self.assertEqual(cut_soundfont.song_needs(song), needs, name)

    def test_a_damaged_font_or_song_is_refused_with_a_message(self):
        with open(self.path('full.sf2'), 'rb') as f:
            font = f.read()
        pgen, phdr = font.index(b'pgen') + 8, font.index(b'phdr') + 8
        piano = pgen + 4 * 3  # after the Organ preset's two generators and the Piano's first
        damaged = {
            'short.sf2': font[:len(font) // 2],
            'bad-instrument.sf2': font[:piano + 2] + struct.pack('<H', 999) + font[piano + 4:],
            'bad-bag.sf2': font[:phdr + 38 + 24] + struct.pack('<H', 999) + font[phdr + 38 + 26:],
        }
        for name, data in damaged.items():
            with open(self.path(name), 'wb') as f:
                f.write(data)
            code, _, err = self.run_tool('cut', name, 'song.mid', 'cut.sf2', 'cut.json')
            self.assertEqual(code, 1, name)
            self.assertIn('cut_soundfont: SoundFont', err, name)
        with open(self.path('short.mid'), 'wb') as f:
            f.write(SONG[:30])
        code, _, err = self.run_tool('cut', 'full.sf2', 'short.mid', 'cut.sf2', 'cut.json')
        self.assertEqual((code, err.startswith('cut_soundfont: MIDI')), (1, True))


if __name__ == '__main__':
    unittest.main()
