#!/usr/bin/env python3
"""Makes the title song vask.mid: an original General MIDI tune of about a minute in
A minor at 128 beats a minute, for a neon arena: synth bass arpeggios, a pad, a sparkling
arpeggio, a saw lead and drums on channel 10. Python 3 standard library only.

usage: make_song.py [output file, default data/vask.mid next to this tool]
"""
import os
import struct
import sys

PPQ = 480
BPM = 128
BAR = 4 * PPQ
EIGHTH = PPQ // 2
SIXTEENTH = PPQ // 4

# General MIDI programs (counted from 0) and channels (counted from 0; 9 is the drum channel).
BASS, PAD, ARP, LEAD, DRUMS = 0, 1, 2, 3, 9
PROGRAMS = {BASS: 38, PAD: 89, ARP: 81 - 1, LEAD: 81}  # synth bass 1, warm pad, square, saw lead
KICK, SNARE, CLAP, HAT, OPEN_HAT, CRASH = 36, 38, 39, 42, 46, 49

# i - VI - III - VII in A minor, one chord a bar: roots and chord tones as MIDI notes.
CHORDS = [
    (45, [57, 60, 64]),  # A minor
    (41, [57, 60, 65]),  # F major
    (48, [55, 60, 64]),  # C major
    (43, [55, 59, 62]),  # G major
]

# The lead's tune, four bars a phrase: (beat offset in sixteenths, length in sixteenths, note).
PHRASE_A = [
    (0, 4, 76), (4, 2, 74), (6, 2, 72), (8, 6, 76), (14, 2, 79),
    (16, 4, 77), (20, 4, 76), (24, 8, 72),
    (32, 4, 72), (36, 2, 74), (38, 2, 76), (40, 6, 79), (46, 2, 76),
    (48, 6, 74), (54, 2, 72), (56, 8, 71),
]
PHRASE_B = [
    (0, 2, 81), (2, 2, 79), (4, 4, 76), (8, 4, 79), (12, 4, 81),
    (16, 6, 84), (22, 2, 81), (24, 8, 77),
    (32, 2, 79), (34, 2, 76), (36, 4, 72), (40, 4, 76), (44, 4, 79),
    (48, 4, 74), (52, 4, 76), (56, 8, 69),
]


class Track:
    def __init__(self):
        self.events = []  # (tick, order, bytes)

    def note(self, channel, tick, length, key, velocity):
        self.events.append((tick, 1, bytes([0x90 | channel, key, velocity])))
        self.events.append((tick + length, 0, bytes([0x80 | channel, key, 0])))

    def raw(self, tick, data):
        self.events.append((tick, 0, data))

    def encode(self):
        out, last = bytearray(), 0
        for tick, _, data in sorted(self.events, key=lambda e: (e[0], e[1])):
            out += vlq(tick - last) + data
            last = tick
        out += vlq(0) + b"\xff\x2f\x00"
        return b"MTrk" + struct.pack(">I", len(out)) + bytes(out)


def vlq(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(groups))


def compose():
    tracks = {name: Track() for name in ("meta", "bass", "pad", "arp", "lead", "drums")}
    meta = tracks["meta"]
    meta.raw(0, b"\xff\x03" + bytes([len(b"Vask")]) + b"Vask")
    tempo = 60000000 // BPM
    meta.raw(0, b"\xff\x51\x03" + tempo.to_bytes(3, "big"))
    meta.raw(0, b"\xff\x58\x04\x04\x02\x18\x08")
    for track, channel in (("bass", BASS), ("pad", PAD), ("arp", ARP), ("lead", LEAD)):
        tracks[track].raw(0, bytes([0xC0 | channel, PROGRAMS[channel]]))
        tracks[track].raw(0, bytes([0xB0 | channel, 7, 100]))
    tracks["lead"].raw(0, bytes([0xB0 | LEAD, 91, 70]))  # reverb send
    tracks["pad"].raw(0, bytes([0xB0 | PAD, 91, 90]))

    # 32 bars: intro 4 (pad, arp), verse 8 (+ bass, drums), tune 8 (+ lead), tune again
    # 8 an octave-brighter variation, outro 4 (pad and a last chord).
    bars = 32
    for bar in range(bars):
        start = bar * BAR
        root, tones = CHORDS[bar % 4]
        section = "intro" if bar < 4 else "verse" if bar < 12 else "tune" if bar < 20 else "tune2" if bar < 28 else "outro"

        # Pad: the chord held for the bar.
        for key in tones:
            tracks["pad"].note(PAD, start, BAR - 10, key, 70 if section != "outro" else 55)

        # Arpeggio: chord tones up and down in sixteenths, an octave above the pad.
        if section != "outro":
            pattern = [0, 1, 2, 1, 2, 0, 1, 2]
            for step in range(16):
                key = tones[pattern[step % 8]] + 12 + (12 if step % 8 == 4 else 0)
                tracks["arp"].note(ARP, start + step * SIXTEENTH, SIXTEENTH - 20, key, 60 if step % 4 else 78)

        # Bass: pulsing eighths, root, octave and fifth.
        if section in ("verse", "tune", "tune2"):
            steps = [0, 12, 0, 7, 0, 12, 7, 12]
            for step, interval in enumerate(steps):
                tracks["bass"].note(BASS, start + step * EIGHTH, EIGHTH - 30, root + interval, 100 if step % 2 == 0 else 80)
        elif section == "outro" and bar == bars - 1:
            tracks["bass"].note(BASS, start, BAR, 33, 100)

        # Lead: the tune in four-bar phrases.
        if section in ("tune", "tune2"):
            phrase_bar = (bar - 12) % 8
            phrase = PHRASE_A if phrase_bar < 4 else PHRASE_B
            offset = 0 if section == "tune" else 12 if phrase_bar >= 4 else 0
            first = (phrase_bar % 4) * 16
            for at, length, key in phrase:
                if first <= at < first + 16:
                    tracks["lead"].note(LEAD, start + (at - first) * SIXTEENTH, length * SIXTEENTH - 15, key + offset, 96)

        # Drums: four on the floor, snare and clap on 2 and 4, eighth hats, crashes at sections.
        drums = tracks["drums"]
        if bar in (4, 12, 20, 28):
            drums.note(DRUMS, start, PPQ, CRASH, 100)
        if section in ("verse", "tune", "tune2"):
            for beat in range(4):
                drums.note(DRUMS, start + beat * PPQ, EIGHTH, KICK, 110)
                if beat in (1, 3):
                    drums.note(DRUMS, start + beat * PPQ, EIGHTH, SNARE, 95)
                    if section != "verse":
                        drums.note(DRUMS, start + beat * PPQ, EIGHTH, CLAP, 70)
            for step in range(8):
                hat = OPEN_HAT if step % 2 else HAT
                drums.note(DRUMS, start + step * EIGHTH, EIGHTH - 40, hat, 70 if step % 2 else 55)
            if bar % 4 == 3:  # a fill into the next phrase
                for step in range(4):
                    drums.note(DRUMS, start + 3 * PPQ + step * SIXTEENTH, SIXTEENTH, SNARE, 70 + step * 10)
        elif section == "intro" and bar == 3:
            for step in range(8):
                drums.note(DRUMS, start + 2 * PPQ + step * SIXTEENTH, SIXTEENTH, SNARE, 50 + step * 8)
        elif section == "outro" and bar == bars - 1:
            drums.note(DRUMS, start, PPQ, CRASH, 90)
            drums.note(DRUMS, start, PPQ, KICK, 110)

    # The last chord rings for two beats more before the end of the song.
    end = bars * BAR + 2 * PPQ
    meta.raw(end, b"\xff\x01\x03end")
    order = ("meta", "bass", "pad", "arp", "lead", "drums")
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(order), PPQ)
    return header + b"".join(tracks[name].encode() for name in order)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "vask.mid")
    with open(out, "wb") as f:
        f.write(compose())


if __name__ == "__main__":
    main()
