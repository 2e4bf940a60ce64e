#!/usr/bin/env python3
"""Cuts a SoundFont 2 down to the presets a MIDI song plays, for the browser's site.

  cut_soundfont.py cut FULL.sf2 SONG.mid OUT.sf2 OUT.json
      writes OUT.sf2 with only the presets SONG.mid may sound with (and their instruments
      and samples), and OUT.json: {"presets": [[bank, program], ...]}, those presets, the
      ones FULL.sf2 lacks among them: a song whose presets are all in the list sounds from
      OUT.sf2 as from FULL.sf2, falling back where FULL.sf2 lacks one as it would there.
  cut_soundfont.py needs SONG.mid PRESETS.json
      prints "cut" when every preset SONG.mid may sound with is in PRESETS.json, else "full"
      (and "full" for a song that needs the whole font: see read_song_needs).

The page makes the same decision for whatever song it is handed: a song swapped in that
picks other instruments is played with the full soundfont instead.

A SoundFont is RIFF: INFO, sdta (the samples) and pdta, whose nine sub-chunks index into one
another (preset -> bags -> generators -> instrument -> bags -> generators -> sample). Kept
records are copied as they are, with those indices renumbered; each sub-chunk keeps its
terminal record, which closes the index range of the last real record before it.
"""
import json
import struct
import sys

DRUM_CHANNEL = 9
DRUM_BANK = 128
GEN_INSTRUMENT = 41
GEN_SAMPLE_ID = 53
SAMPLE_PADDING = 46  # zero sample points the format asks for after each sample

RECORD_SIZES = {'phdr': 38, 'pbag': 4, 'pmod': 10, 'pgen': 4,
                'inst': 22, 'ibag': 4, 'imod': 10, 'igen': 4, 'shdr': 46}
PDTA_ORDER = ['phdr', 'pbag', 'pmod', 'pgen', 'inst', 'ibag', 'imod', 'igen', 'shdr']


class FormatError(Exception):
    pass


# --- the song ----------------------------------------------------------------------------

def _var_len(data, i, end):
    value = 0
    for _ in range(4):
        if i >= end:
            raise FormatError('MIDI: an event cut short')
        byte = data[i]
        i += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, i
    raise FormatError('MIDI: a length longer than 4 bytes')


def _read_track(song, i, end, notes, programs, banks):
    """Notes the channels that play, and the programs and banks each selects."""
    status = 0
    while i < end:
        _, i = _var_len(song, i, end)  # the delta time
        if i >= end:
            raise FormatError('MIDI: an event cut short')
        if song[i] & 0x80:
            status = song[i]
            i += 1
        if status == 0xFF:  # a meta event: its type, then its length
            if i >= end:
                raise FormatError('MIDI: an event cut short')
            length, i = _var_len(song, i + 1, end)
        elif status in (0xF0, 0xF7):
            raise FormatError('MIDI: system-exclusive messages, which can change how channels pick presets')
        elif 0x80 <= status < 0xF0:
            channel, command = status & 0x0F, status & 0xF0
            length = 1 if command in (0xC0, 0xD0) else 2
            data = song[i:i + length]
            if len(data) < length or i + length > end or any(b & 0x80 for b in data):
                raise FormatError('MIDI: a channel message cut short or with a status byte for data')
            if command == 0x90 and data[1] > 0:
                notes.add(channel)
            elif command == 0xC0:
                programs[channel].add(data[0])
            elif command == 0xB0 and data[0] == 0:
                banks[channel].add(data[1])
        elif status >= 0x80:
            raise FormatError('MIDI: a system message')
        else:
            raise FormatError('MIDI: data byte without a status')
        if length > end - i:
            raise FormatError('MIDI: an event runs past its track')
        i += length


def read_song_needs(song):
    """The presets (bank, program) a standard MIDI file's notes may sound with, sorted. A
    channel that plays notes may sound with any pairing of the programs and the banks it
    selects (controller 0, as FluidSynth's default "gs" style reads it), whichever track sends
    them and in whatever order, and of program 0 and the bank it starts on: bank 0, or the drum
    kits' bank 128 on channel 10, where bank select does nothing. Those pairings hold the
    presets FluidSynth falls back on too: the program in bank 0, the piano, the standard kit.
    Raises FormatError when the song needs the whole soundfont: it cannot be read through, or
    it sends system-exclusive messages (a GS reset, a drum part changed)."""
    if len(song) < 14 or song[:4] != b'MThd':
        raise FormatError('MIDI: no MThd header')
    pos = 8 + struct.unpack('>I', song[4:8])[0]
    if pos > len(song):
        raise FormatError('MIDI: the header runs past the end of the file')
    notes, programs, banks = set(), [set() for _ in range(16)], [set() for _ in range(16)]
    while pos < len(song):
        if len(song) - pos < 8:
            raise FormatError('MIDI: a chunk header cut short')
        kind, length = song[pos:pos + 4], struct.unpack('>I', song[pos + 4:pos + 8])[0]
        start, end = pos + 8, pos + 8 + length
        if end > len(song):
            raise FormatError('MIDI: a track runs past the end of the file')
        if kind == b'MTrk':
            _read_track(song, start, end, notes, programs, banks)
        pos = end
    needs = set()
    for channel in notes:
        first_bank = DRUM_BANK if channel == DRUM_CHANNEL else 0
        selected = banks[channel] if channel != DRUM_CHANNEL else set()
        needs.update((bank, program) for bank in {first_bank} | selected for program in {0} | programs[channel])
    return sorted(needs)


def song_needs(song):
    """read_song_needs, or None when the song needs the whole soundfont."""
    try:
        return read_song_needs(song)
    except FormatError:
        return None


# --- the soundfont -------------------------------------------------------------------------

def _chunks(data, start, end):
    """(id, body start, body end) of the RIFF chunks in data[start:end]."""
    out = []
    pos = start
    while pos + 8 <= end:
        cid = data[pos:pos + 4].decode('latin-1')
        size = struct.unpack('<I', data[pos + 4:pos + 8])[0]
        if pos + 8 + size > end:
            raise FormatError(f'SoundFont: chunk {cid} runs past its end')
        out.append((cid, pos + 8, pos + 8 + size))
        pos += 8 + size + (size & 1)
    return out


def read_soundfont(data):
    """The file's INFO list (raw), its sample chunks and pdta records, as lists of bytes."""
    if data[:4] != b'RIFF' or data[8:12] != b'sfbk':
        raise FormatError('SoundFont: not a RIFF sfbk file')
    lists = {}
    for cid, start, end in _chunks(data, 12, min(len(data), 8 + struct.unpack('<I', data[4:8])[0])):
        if cid == 'LIST':
            lists[data[start:start + 4].decode('latin-1')] = (start, end)
    for name in ('INFO', 'sdta', 'pdta'):
        if name not in lists:
            raise FormatError(f'SoundFont: no {name} list')
    font = {'INFO': data[lists['INFO'][0] + 4:lists['INFO'][1]], 'smpl': b'', 'sm24': None}
    for cid, start, end in _chunks(data, lists['sdta'][0] + 4, lists['sdta'][1]):
        if cid in ('smpl', 'sm24'):
            font[cid] = data[start:end]
    pdta = {cid: (start, end) for cid, start, end in _chunks(data, lists['pdta'][0] + 4, lists['pdta'][1])}
    for cid in PDTA_ORDER:
        if cid not in pdta:
            raise FormatError(f'SoundFont: no {cid} chunk')
        start, end = pdta[cid]
        size = RECORD_SIZES[cid]
        if (end - start) % size or end - start < size:
            raise FormatError(f'SoundFont: {cid} is no whole number of records')
        font[cid] = [data[p:p + size] for p in range(start, end, size)]
    return font


def _u16(record, offset):
    return struct.unpack_from('<H', record, offset)[0]


def _with_u16(record, offset, value):
    out = bytearray(record)
    struct.pack_into('<H', out, offset, value)
    return bytes(out)


def _zones(bags, gens, mods, first_bag, end_bag):
    """Copies of the bags [first_bag, end_bag) with their generator and modulator records."""
    zones = []
    for b in range(first_bag, end_bag):
        g0, m0 = _u16(bags[b], 0), _u16(bags[b], 2)
        g1, m1 = _u16(bags[b + 1], 0), _u16(bags[b + 1], 2)
        if not (g0 <= g1 <= len(gens) - 1 and m0 <= m1 <= len(mods) - 1):
            raise FormatError('SoundFont: a bag points outside its generators or modulators')
        zones.append((gens[g0:g1], mods[m0:m1]))
    return zones


def _header_zones(headers, bag_offset, bags, gens, mods, index):
    first, end = _u16(headers[index], bag_offset), _u16(headers[index + 1], bag_offset)
    if not first <= end <= len(bags) - 1:
        raise FormatError('SoundFont: a header points outside its bags')
    return _zones(bags, gens, mods, first, end)


def cut(font, wanted):
    """A new font (same layout as read_soundfont's) with only the presets in `wanted`."""
    wanted = set(wanted)
    presets = [i for i, p in enumerate(font['phdr'][:-1]) if (_u16(p, 22), _u16(p, 20)) in wanted]
    preset_zones = {i: _header_zones(font['phdr'], 24, font['pbag'], font['pgen'], font['pmod'], i) for i in presets}

    instruments = sorted({_u16(g, 2) for i in presets for gens, _ in preset_zones[i]
                          for g in gens if _u16(g, 0) == GEN_INSTRUMENT})
    if instruments and instruments[-1] >= len(font['inst']) - 1:
        raise FormatError('SoundFont: a preset names no instrument')
    inst_zones = {i: _header_zones(font['inst'], 20, font['ibag'], font['igen'], font['imod'], i) for i in instruments}

    samples = {_u16(g, 2) for i in instruments for gens, _ in inst_zones[i]
               for g in gens if _u16(g, 0) == GEN_SAMPLE_ID}
    # A stereo sample's other side comes along: FluidSynth follows the link.
    pending = list(samples)
    while pending:
        s = pending.pop()
        if s >= len(font['shdr']) - 1:
            raise FormatError('SoundFont: an instrument names no sample')
        link, kind = _u16(font['shdr'][s], 42), _u16(font['shdr'][s], 44)
        if kind & 0x0E and link < len(font['shdr']) - 1 and link not in samples:
            samples.add(link)
            pending.append(link)
    samples = sorted(samples)
    new_instrument = {old: new for new, old in enumerate(instruments)}
    new_sample = {old: new for new, old in enumerate(samples)}

    out = {'INFO': font['INFO']}
    # Samples: each one's points, then the zero padding; start, end and loop points move
    # with it.
    smpl, sm24, shdr = bytearray(), bytearray(), []
    for s in samples:
        record = bytearray(font['shdr'][s])
        start, end, loop_start, loop_end = struct.unpack_from('<4I', record, 20)
        if not start <= end <= len(font['smpl']) // 2:
            raise FormatError('SoundFont: a sample lies outside the sample data')
        shift = len(smpl) // 2 - start
        smpl += font['smpl'][start * 2:end * 2] + bytes(SAMPLE_PADDING * 2)
        if font['sm24'] is not None:
            sm24 += font['sm24'][start:end] + bytes(SAMPLE_PADDING)
        struct.pack_into('<4I', record, 20, start + shift, end + shift,
                         max(0, loop_start + shift), max(0, loop_end + shift))
        link = _u16(record, 42)
        struct.pack_into('<H', record, 42, new_sample.get(link, 0))
        shdr.append(bytes(record))
    shdr.append(font['shdr'][-1])
    out['smpl'] = bytes(smpl)
    out['sm24'] = bytes(sm24) if font['sm24'] is not None else None
    if out['sm24'] is not None and len(out['sm24']) & 1:
        out['sm24'] += b'\0'
    out['shdr'] = shdr

    def rebuild(headers, bag_offset, kept, zones, renumber_gen, renumber):
        new_headers, bags, gens, mods = [], [], [], []
        for old in kept:
            new_headers.append(_with_u16(headers[old], bag_offset, len(bags)))
            for zone_gens, zone_mods in zones[old]:
                bags.append(struct.pack('<HH', len(gens), len(mods)))
                for g in zone_gens:
                    if _u16(g, 0) == renumber_gen:
                        g = _with_u16(g, 2, renumber[_u16(g, 2)])
                    gens.append(g)
                mods.extend(zone_mods)
        # The terminal records close the last ranges; their other fields are kept.
        new_headers.append(_with_u16(headers[-1], bag_offset, len(bags)))
        return new_headers, bags, gens, mods

    (out['phdr'], pbag, pgen, pmod) = rebuild(font['phdr'], 24, presets, preset_zones,
                                             GEN_INSTRUMENT, new_instrument)
    (out['inst'], ibag, igen, imod) = rebuild(font['inst'], 20, instruments, inst_zones,
                                             GEN_SAMPLE_ID, new_sample)
    for name, bags, gens, mods in (('p', pbag, pgen, pmod), ('i', ibag, igen, imod)):
        bags.append(struct.pack('<HH', len(gens), len(mods)))
        gens.append(font[name + 'gen'][-1])
        mods.append(font[name + 'mod'][-1])
        out[name + 'bag'], out[name + 'gen'], out[name + 'mod'] = bags, gens, mods
    return out


def _chunk(cid, body):
    return cid.encode('latin-1') + struct.pack('<I', len(body)) + body + (b'\0' if len(body) & 1 else b'')


def write_soundfont(font):
    sdta = _chunk('smpl', font['smpl'])
    if font['sm24'] is not None:
        sdta += _chunk('sm24', font['sm24'])
    pdta = b''.join(_chunk(cid, b''.join(font[cid])) for cid in PDTA_ORDER)
    body = (b'sfbk' + _chunk('LIST', b'INFO' + font['INFO']) + _chunk('LIST', b'sdta' + sdta)
            + _chunk('LIST', b'pdta' + pdta))
    return _chunk('RIFF', body)


def main(argv):
    try:
        if len(argv) == 5 and argv[0] == 'cut':
            _, full, song, out_font, out_list = argv
            with open(full, 'rb') as f:
                font = read_soundfont(f.read())
            with open(song, 'rb') as f:
                wanted = read_song_needs(f.read())
            with open(out_font, 'wb') as f:
                f.write(write_soundfont(cut(font, wanted)))
            with open(out_list, 'w') as f:
                json.dump({'presets': [list(p) for p in wanted]}, f)
                f.write('\n')
            return 0
        if len(argv) == 3 and argv[0] == 'needs':
            _, song, presets = argv
            with open(song, 'rb') as f:
                wanted = song_needs(f.read())
            with open(presets) as f:
                served = {tuple(p) for p in json.load(f)['presets']}
            print('cut' if wanted is not None and set(wanted) <= served else 'full')
            return 0
    except (OSError, FormatError, ValueError, KeyError, struct.error) as e:
        print(f'cut_soundfont: {e}', file=sys.stderr)
        return 1
    print(__doc__.split('\n\n')[0], file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
