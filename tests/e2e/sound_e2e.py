#!/usr/bin/env python3
"""The real game's sound, end to end: OpenAL Soft writes everything the game mixes to a WAV
file (its "wave" output, which runs in real time), and the samples around the first key
show the title music stopping and the engines starting.

Usage: with_xvfb.sh sound_e2e.py --game PATH --data DIR CASE
  music_stops:    the real song; every sound effect replaced by silence. The title is
                  loud, and after the first key everything is silent.
  engines_start:  no song; the real sound effects. The title is silent, and after the
                  first key the engines are heard.
With --wine BUILD the game is the Windows program under Wine, run inside
tests/support/with_pulse_null_sink.sh with VASK_PULSE_RECORD naming the recording of
what DirectSound mixed:
  song_silent_engines_start: the real song and sound effects. There is no MIDI synthesiser
                  under Wine, so the song cannot play: the title is silent and shows no
                  box, and after the first key the engines are heard.
"""
import argparse
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

import vask_e2e as e2e
from vask_e2e import Failure, check, wine_environment

TITLE = "Vask Light Cycles by Velmor"
SOUND_FILES = ["cyc4.wav", "boom.wav", "turn2.wav", "boom2.wav"]
OTHER_FILES = ["setup.txt", "vask3.wrl", "flori.fnt", "vask.jpg"]


def silent_wav(path, seconds=0.5, rate=22050):
    frames = int(seconds * rate)
    data = b"\0\0" * frames
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


def read_wav(path):
    """(rate, channels, samples as floats -1..1, interleaved, the data's byte offset, bytes a
    frame) of a 16-bit or float WAV. The header of a file still being written may hold sizes
    of 0, so the data runs to the end."""
    with open(path, "rb") as f:
        raw = f.read()
    check(raw[:4] == b"RIFF" and raw[8:12] == b"WAVE", "the sound output is not a WAV file")
    pos, fmt, data = 12, None, None
    while pos + 8 <= len(raw):
        ident, size = raw[pos:pos + 4], struct.unpack("<I", raw[pos + 4:pos + 8])[0]
        body = raw[pos + 8:pos + 8 + size] if ident != b"data" or size else raw[pos + 8:]
        if ident == b"fmt ":
            fmt = body
        elif ident == b"data":
            data, data_start = body, pos + 8
            break
        pos += 8 + size + (size & 1)
    check(fmt is not None and data is not None, "no fmt or data chunk in the sound output")
    tag, channels, rate = struct.unpack("<HHI", fmt[:8])
    bits = struct.unpack("<H", fmt[14:16])[0]
    if tag == 0xFFFE:  # extensible: the real format sits in the sub-format GUID
        tag = struct.unpack("<H", fmt[24:26])[0]
    if tag == 1 and bits == 16:
        n = len(data) // 2
        samples = [v / 32768.0 for v in struct.unpack("<%dh" % n, data[:2 * n])]
    elif tag == 3 and bits == 32:
        n = len(data) // 4
        samples = list(struct.unpack("<%df" % n, data[:4 * n]))
    else:
        raise Failure("unexpected sound format tag %d, %d bits" % (tag, bits))
    return rate, channels, samples, data_start, channels * bits // 8


def seconds_recorded(path):
    """How much sound the output file holds so far, by its size: the recording's own clock,
    which no load on the machine can put out of step with the sound in it."""
    try:
        rate, _, _, data_start, frame = read_wav(path)
    except (OSError, Failure):
        return 0.0
    return (os.path.getsize(path) - data_start) / float(rate * frame)


def wait_recorded(path, seconds, proc, timeout=60.0):
    deadline = time.time() + timeout
    while seconds_recorded(path) < seconds:
        check(proc.poll() is None, "the game ended (code %s)" % proc.returncode)
        # The game mixes its output itself: a running game whose output stops has failed.
        check(time.time() <= deadline, "the sound output stopped short of %.1f s, the game "
              "still running" % seconds)
        time.sleep(0.05)


def wait_heard(path, proc, timeout=30.0):
    """Waits until the last half second of the recording is loud (the song has begun: its
    soundfont loads beside start-up, later on a loaded machine) and returns where it was."""
    deadline = time.time() + timeout
    while True:
        check(proc.poll() is None, "the game ended (code %s)" % proc.returncode)
        try:
            rate, channels, samples, _, _ = read_wav(path)
        except (OSError, Failure):
            samples, rate, channels = [], 1, 1
        end = len(samples) / float(rate * channels)
        if end > 0.5 and rms(samples, rate, channels, end - 0.5, end) > 0.02:
            return end
        check(time.time() < deadline, "no music on the title within %.0f s" % timeout)
        time.sleep(0.2)


def rms(samples, rate, channels, start, end):
    a, b = int(start * rate) * channels, int(end * rate) * channels
    part = samples[max(a, 0):max(b, 0)]
    check(len(part) > rate * channels // 4, "the sound output does not reach %.1f s" % end)
    return math.sqrt(sum(v * v for v in part) / len(part))


def find_window(proc, timeout=40.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.split()
        if found:
            return found[0].decode()
        if proc.poll() is not None:
            return None
        time.sleep(0.1)
    return None


def key(window, name, proc):
    """A key to the game's window; one that ends the game may take the window away under
    xdotool, which is then left to the check of the exit code."""
    done = e2e.run("xdotool", "key", "--window", window, name)
    if done.returncode != 0:
        deadline = time.time() + 2.0
        while proc.poll() is None and time.time() < deadline:
            time.sleep(0.05)
        if proc.poll() is not None:
            return
        said = done.stderr.decode("latin-1").strip()
        check(said, "xdotool key failed and did not say why")
        raise e2e.HarnessMiss("xdotool key failed: %s" % said)


def run(args):
    work = tempfile.mkdtemp(prefix="vask_sound_%s_" % args.case)
    proc = None
    try:
        for name in OTHER_FILES:
            shutil.copy(os.path.join(args.data, name), work)
        for name in SOUND_FILES:
            if args.case == "music_stops":
                silent_wav(os.path.join(work, name))
            else:
                shutil.copy(os.path.join(args.data, name), work)
        if args.case != "engines_start":
            shutil.copy(os.path.join(args.data, "vask.mid"), work)
        if args.wine:
            # What the private PulseAudio's sink receives, recorded since before the game
            # started: the recording's length when the key goes down places the key in it.
            out = os.environ.get("VASK_PULSE_RECORD", "")
            check(os.path.exists(out), "no recording: run under with_pulse_null_sink.sh "
                  "with VASK_PULSE_RECORD set")
            env, command = wine_environment(args.wine, sound=True), ["wine", args.game]
        else:
            out = os.path.join(work, "sound.wav")
            with open(os.path.join(work, "alsoft.conf"), "w") as conf:
                conf.write("[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\n"
                           "frequency = 44100\n[wave]\nfile = %s\n" % out)
            env, command = dict(os.environ, ALSOFT_CONF=os.path.join(work, "alsoft.conf")), [args.game]
        env = e2e.pinned_environment(env)
        with open(os.path.join(work, "stderr.txt"), "wb") as err:
            proc = subprocess.Popen(command, cwd=work, env=env, stdout=subprocess.DEVNULL,
                                    stderr=err)
        window = find_window(proc)
        check(window is not None or proc.poll() is not None,
              "no game window within 40 s, the game still running")
        check(window is not None, "the game window did not show")
        if args.wine:
            e2e.focus_window(window, proc)
        # The title, with its song if there is one: 3 s of it, by the recording's own clock,
        # or 2.5 s once the song is heard.
        if args.case == "music_stops":
            wait_recorded(out, wait_heard(out, proc) + 2.5, proc)
        else:
            wait_recorded(out, seconds_recorded(out) + 3.0, proc)
        if args.case == "song_silent_engines_start":
            boxes = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Error$"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
            check(not boxes.split(), "a message box shows on the title")
        key_at = seconds_recorded(out)
        key(window, "g", proc)
        wait_recorded(out, key_at + 3.0, proc)  # play, engines running
        key(window, "q", proc)
        check(proc.wait(30) == 0, "q did not end the game with code 0")
        proc = None

        rate, channels, samples, _, _ = read_wav(out)
        # key_at is where the recording stood when the key went down; the game answers it
        # within a frame or two, so measure well clear of it on both sides.
        title = rms(samples, rate, channels, key_at - 2.0, key_at - 0.6)
        if args.case == "music_stops":
            # The song streams in real time, and OpenAL Soft's file output renders in bursts
            # when the game falls behind, so a stall leaves a gap in the song's recording:
            # the title's level is that of its loudest 0.3 s before the key.
            title = max(rms(samples, rate, channels, t / 4.0, t / 4.0 + 0.3)
                        for t in range(int((key_at - 0.9) * 4)))
        play = rms(samples, rate, channels, key_at + 0.8, key_at + 2.4)
        print("rms on the title %.4f, in play %.4f" % (title, play))
        if args.case == "music_stops":
            check(title > 0.02, "no music on the title (rms %.4f)" % title)
            check(play < 0.001, "the music goes on after the first key (rms %.4f)" % play)
        else:
            check(title < 0.001, "sound on a title with no song to play (rms %.4f)" % title)
            check(play > 0.01, "no engines after the first key (rms %.4f)" % play)
        shutil.rmtree(work, ignore_errors=True)
        return 0
    except Failure as failure:
        miss = "%s: " % e2e.HARNESS_MISS if isinstance(failure, e2e.HarnessMiss) else ""
        where = "" if miss else e2e.stacks_of(proc)
        print("%sFAILED %s: %s (files in %s)%s" % (miss, args.case, failure, work, where),
              file=sys.stderr)
        return 1
    finally:
        if proc and proc.poll() is None:
            proc.kill()
            proc.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--wine", metavar="BUILD", help="run the Windows program under Wine")
    parser.add_argument("case", choices=["music_stops", "engines_start", "song_silent_engines_start"])
    args = parser.parse_args()
    args.game, args.data = os.path.abspath(args.game), os.path.abspath(args.data)
    if not os.environ.get("DISPLAY"):
        print("sound_e2e.py: no DISPLAY; run it under tests/support/with_xvfb.sh", file=sys.stderr)
        return 2
    print("match seed %s (VASK_E2E_SEED=%s replays it)" % (e2e.match_seed(), e2e.match_seed()))
    return run(args)


if __name__ == "__main__":
    sys.exit(main())
