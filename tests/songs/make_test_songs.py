#!/usr/bin/env python3
"""Makes the songs the three readers of vask.mid are checked on (the page's music.js, the
site's tools/cut_soundfont.py and the desktop's midi_song_use.cpp), each with what it needs
of a soundfont, written here by hand: the presets (bank, program) its notes may sound with,
or the whole font.

A channel that plays notes may sound with any pairing of the programs and the banks it
selects, whichever track sends them and in whatever order, and of program 0 and the bank it
starts on: bank 0, or the drum kits' bank 128 on channel 10, where bank select does nothing.
A song with system-exclusive messages, or one that cannot be read through, needs the whole
font.

  make_test_songs.py DIR   writes DIR/<song>.mid and DIR/needs.txt, one line a song:
                           "<song>.mid whole", or "<song>.mid" and its presets as bank:program
"""
import os
import struct
import sys

WHOLE = None


def var_len(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return out


def meta(kind, data):
    data = data.encode() if isinstance(data, str) else bytes(data)
    return [0xFF, kind] + var_len(len(data)) + list(data)


END_OF_TRACK = (0, meta(0x2F, b''))


def events(*pairs):
    """A track's bytes from (delta ticks, event bytes) pairs."""
    return bytes(b for delta, data in pairs for b in var_len(delta) + list(data))


def chunk(kind, body, announced=None):
    return kind + struct.pack('>I', len(body) if announced is None else announced) + body


def midi(fmt, *chunks, tracks=None):
    count = tracks if tracks is not None else sum(c[:4] == b'MTrk' for c in chunks)
    return chunk(b'MThd', struct.pack('>HHH', fmt, count, 96)) + b''.join(chunks)


def track(*pairs):
    return chunk(b'MTrk', events(*pairs))


def gs_reset():
    return [0xF0] + var_len(10) + [0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7]


# A song of three tracks: metas of every kind in each, one of them longer than a length byte
# holds; bank and program changes for channel 2 in the first track, one of them mid-song,
# while its notes, in running status, are in the second; drums (with a bank select, which the
# drum channel ignores) and a channel that never changes its program in the third; a chunk of
# unknown kind after them (FluidSynth reads no further than the tracks the header counts).
PROGRAMS_APART = midi(
    1,
    track((0, meta(0x03, 'Conductor')), (0, meta(0x02, '(c) Vask Light Cycles test song')),
          (0, meta(0x01, 'A text longer than one length byte can count. ' * 4)),
          (0, meta(0x51, [0x07, 0xA1, 0x20])), (0, meta(0x58, [4, 2, 24, 8])),
          (0, [0xB1, 0, 8]), (0, [0xC1, 48]), (0, [0xC3, 19]),
          (192, meta(0x06, 'Verse')), (0, [0xC1, 73]), END_OF_TRACK),
    track((0, meta(0x03, 'Lead')), (0, [0x91, 60, 100]), (96, [60, 0]), (0, [62, 100]), (96, [62, 0]),
          (0, meta(0x01, 'after the first two notes')),
          (0, [0x91, 64, 100]), (96, [64, 0]), (0, [67, 100]), (192, [67, 0]), END_OF_TRACK),
    track((0, meta(0x03, 'Rhythm')), (0, meta(0x04, 'Kit')), (0, [0xB9, 0, 5]), (0, [0xC9, 25]),
          (0, [0x99, 36, 100]), (0, [0x92, 48, 80]), (96, [0x89, 36, 64]), (0, [0x82, 48, 64]),
          (96, meta(0x06, 'Fill')), (0, [0x99, 38, 100]), (96, [38, 0]), END_OF_TRACK),
    chunk(b'XFIH', b'\x00\x01\x02\x03'),
)

# One track for every channel: running status through note-ons and offs, a delta time of two
# bytes, every kind of channel message, a bank select LSB (which bank select "gs" ignores),
# a program change on a channel without notes, and metas between.
ONE_TRACK = midi(
    0,
    track((0, meta(0x03, 'One track')), (0, meta(0x59, [0, 0])), (0, meta(0x7F, [0, 0, 0x41, 1, 2])),
          (0, [0xB0, 0, 0]), (0, [0xC0, 5]), (0, [0xB4, 32, 3]),
          (0, [0x90, 60, 100]), (48, [62, 100]), (48, [60, 0]), (0, [62, 0]),
          (0, [0xA0, 60, 32]), (0, [0xD0, 16]), (0, [0xE0, 0, 64]),
          (0, [0x94, 69, 100]), (128, [0x84, 69, 0]),
          (0, meta(0x05, 'la')), (0, meta(0x07, 'cue')), (0, [0xC6, 40]), END_OF_TRACK),
)

NOTE = [(0, [0xC0, 5]), (0, [0x90, 60, 100]), (96, [0x80, 60, 0])]

SONGS = [
    ('programs_apart.mid', PROGRAMS_APART,
     [(0, 0), (0, 48), (0, 73), (8, 0), (8, 48), (8, 73), (128, 0), (128, 25)]),
    ('one_track.mid', ONE_TRACK, [(0, 0), (0, 5)]),
    # Program changes and a note-on of velocity 0, which is a note-off: nothing sounds.
    ('no_notes.mid', midi(0, track((0, meta(0x03, 'Quiet')), (0, [0xC0, 16]), (0, [0x90, 60, 0]),
                                   END_OF_TRACK)), []),
    # A GS reset in a track of its own.
    ('sysex_gs_reset.mid', midi(1, track((0, gs_reset()), END_OF_TRACK), track(*NOTE, END_OF_TRACK)), WHOLE),
    # A GS drum-part change (channel 3 to a drum kit) sent in two packets, F0 then F7.
    ('sysex_drum_part.mid',
     midi(0, track((0, meta(0x03, 'Split')), (0, [0xF0, 5, 0x41, 0x10, 0x42, 0x12, 0x40]),
                   (0, [0xF7, 5, 0x12, 0x15, 0x01, 0x18, 0xF7]), (0, [0x92, 36, 100]), (96, [0x82, 36, 0]),
                   END_OF_TRACK)), WHOLE),
    ('sysex_escape_only.mid', midi(0, track((0, [0xF7, 2, 0xF8, 0xFA]), *NOTE, END_OF_TRACK)), WHOLE),
    # The last track announces more bytes than the file has left.
    ('track_cut_short.mid', PROGRAMS_APART[:len(PROGRAMS_APART) - 12 - 20], WHOLE),
    # The track's last note-on lacks its velocity.
    ('event_cut_short.mid', midi(0, track(*NOTE, (0, [0x90, 62]))), WHOLE),
    # The first track's last meta announces 40 bytes and has 5; the second plays.
    ('meta_past_track.mid',
     midi(1, track((0, meta(0x03, 'Head')), (0, [0xFF, 0x01, 40] + list(b'short'))),
          track(*NOTE, END_OF_TRACK)), WHOLE),
    # A file that ends three bytes into the next chunk's header.
    ('chunk_header_cut_short.mid', midi(0, track(*NOTE, END_OF_TRACK)) + b'MTr', WHOLE),
    ('data_without_status.mid', midi(0, track((0, [60, 100]), *NOTE, END_OF_TRACK)), WHOLE),
    ('delta_over_four_bytes.mid', midi(0, chunk(b'MTrk', bytes([0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100])
                                                   + events(END_OF_TRACK))), WHOLE),
    # A program change whose data byte is a status byte.
    ('status_as_data.mid', midi(0, track((0, [0xC0, 0x85]), (0, [0x90, 60, 100]), END_OF_TRACK)), WHOLE),
    # A song position pointer: a system message no file holds.
    ('system_common.mid', midi(0, track((0, [0xF2, 0, 0]), *NOTE, END_OF_TRACK)), WHOLE),
    ('header_past_end.mid', chunk(b'MThd', struct.pack('>HHH', 0, 1, 96), announced=100), WHOLE),
    ('not_midi.mid', b'RIFF\x04\x00\x00\x00RMID', WHOLE),
]


def needs_line(name, needs):
    if needs is WHOLE:
        return f'{name} whole'
    return ' '.join([name] + [f'{bank}:{program}' for bank, program in needs])


def main(argv):
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    os.makedirs(argv[0], exist_ok=True)
    for name, song, _ in SONGS:
        with open(os.path.join(argv[0], name), 'wb') as f:
            f.write(song)
    with open(os.path.join(argv[0], 'needs.txt'), 'w') as f:
        f.write(''.join(needs_line(name, needs) + '\n' for name, _, needs in SONGS))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
