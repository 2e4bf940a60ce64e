#!/usr/bin/env python3
"""Makes the game's sound effects: cyc4.wav (engine hum), boom.wav and boom2.wav (crashes)
and turn2.wav (turn chirp). 16-bit mono PCM at 22050 Hz. Python 3 standard library only.

usage: make_sounds.py [output folder, default data/ next to this tool]
"""
import math
import os
import random
import struct
import sys

RATE = 22050


def write_wav(path, samples):
    """samples: floats in -1..1."""
    frames = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(s * 32767))))) for s in samples)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(frames)) + frames
    if len(frames) % 2:
        body += b"\0"
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def normalise(samples, peak):
    top = max(abs(s) for s in samples) or 1.0
    return [s * peak / top for s in samples]


def engine_hum():
    # Every component is a whole multiple of 2 Hz, and the loop is half a second (11025
    # samples), so it holds a whole number of periods of each: it wraps round without a click.
    length = RATE // 2
    base = 2.0
    rng = random.Random(4)
    parts = []
    # A buzzing fundamental at 88 Hz with falling harmonics, a second voice at 90 Hz that
    # beats against it twice a second, and a faint high whine at 1760 Hz.
    for k in range(1, 13):
        parts.append((44 * k, 0.9 / k, rng.uniform(0, 2 * math.pi)))
    for k in range(1, 5):
        parts.append((45 * k, 0.35 / k, rng.uniform(0, 2 * math.pi)))
    parts.append((880, 0.05, 0.0))
    samples = []
    for n in range(length):
        t = n / RATE
        wobble = 1.0 + 0.15 * math.sin(2 * math.pi * 8 * t)  # an 8 Hz throb, also periodic
        value = sum(a * math.sin(2 * math.pi * base * m * t + p) for m, a, p in parts)
        samples.append(value * wobble)
    return normalise(samples, 0.6)


def lowpass(samples, cutoff_hz):
    alpha = 1.0 - math.exp(-2 * math.pi * cutoff_hz / RATE)
    out, y = [], 0.0
    for s in samples:
        y += alpha * (s - y)
        out.append(y)
    return out


def crash_heavy():
    # The keyboard rider's crash: a deep falling thump under a long rumbling burst of noise.
    rng = random.Random(5)
    length = int(RATE * 1.4)
    noise = lowpass([rng.uniform(-1, 1) for _ in range(length)], 900.0)
    samples, phase = [], 0.0
    for n in range(length):
        t = n / RATE
        freq = 40 + 110 * math.exp(-t * 6)
        phase += 2 * math.pi * freq / RATE
        thump = math.sin(phase) * math.exp(-t * 3.5)
        rumble = noise[n] * 3.0 * math.exp(-t * 2.2) * (1 - math.exp(-t * 400))
        samples.append(thump * 0.8 + rumble)
    return normalise(samples, 0.9)


def crash_electric():
    # Any other rider's crash: a short electric crackle, a falling zap and a brighter burst.
    rng = random.Random(6)
    length = int(RATE * 0.9)
    noise = lowpass([rng.uniform(-1, 1) for _ in range(length)], 3500.0)
    samples, phase = [], 0.0
    crackle = 0.0
    for n in range(length):
        t = n / RATE
        freq = 120 + 1400 * math.exp(-t * 9)
        phase += 2 * math.pi * freq / RATE
        zap = (1.0 if math.sin(phase) >= 0 else -1.0) * 0.35 * math.exp(-t * 7)
        if rng.random() < 0.004:
            crackle = rng.uniform(0.5, 1.0)
        crackle *= 0.995
        burst = noise[n] * 2.0 * math.exp(-t * 4.5) * (1 - math.exp(-t * 600))
        samples.append(zap + burst + crackle * rng.uniform(-1, 1) * math.exp(-t * 3))
    return normalise(samples, 0.85)


def turn_chirp():
    # A short rising chirp, 0.12 s, softened at both ends.
    length = int(RATE * 0.12)
    samples, phase = [], 0.0
    for n in range(length):
        t = n / length
        freq = 600 + 900 * t
        phase += 2 * math.pi * freq / RATE
        envelope = math.sin(math.pi * t) ** 2
        samples.append((math.sin(phase) + 0.3 * math.sin(2 * phase)) * envelope)
    return normalise(samples, 0.7)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
    os.makedirs(out, exist_ok=True)
    write_wav(os.path.join(out, "cyc4.wav"), engine_hum())
    write_wav(os.path.join(out, "boom.wav"), crash_heavy())
    write_wav(os.path.join(out, "boom2.wav"), crash_electric())
    write_wav(os.path.join(out, "turn2.wav"), turn_chirp())


if __name__ == "__main__":
    main()
