#!/usr/bin/env python3
"""A person's own turn to the picture that shows it, in a room on a relay behind a network's
round trip. For each round trip: vask-relay, the delaying proxy in front of it (half the
round trip each way), and the real game hosting a room through the proxy, on the current X
display (run it under tests/support/with_xvfb.sh). xdotool presses Left and Right in turn,
each at an irregular moment; the probe preloaded into xdotool and the game (turn_probe.c)
stamps the press as it goes to the X server and every frame as its swap returns. The game
rides in the chase camera (one press of V), where a turn swings the cycle round on screen
and starts its wall sideways: the first frame showing it repaints 2.4 to 3.2 % of the
picture at once, while riding on, over a plain floor under a plain sky, changes well under
0.5 % of it a frame (the run reports the largest change of a frame with no press waiting,
to show the margin). A frame repainting SHOWN_SHARE or more after the press is the turn.

In a room the turn shows only once the relay's bundle carrying it is back: the press waits
for the game's next frame to be sent, crosses the round trip, waits for the room's next
tick, and then for the frame that runs that step.

Usage: room_latency.py --game VASK --relay VASK_RELAY --proxy DELAY_PROXY --probe PROBE.so
         --data DATA_DIR [--presses N] [--rtt MS,MS,...] [--json]
Prints a line per press and per round trip "rtt MS presses N lost N median MS p90 MS ...",
or with --json the figures for bench/run_all.sh. Everything it starts, it ends.
"""
import argparse
import json
import os
import random
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time

SHOWN_SHARE = 0.02
GIVE_UP_S = 1.0  # beyond the round trip: a press not shown by then counts as lost


def started(command, **kw):
    """A program that prints 'listening on 127.0.0.1:PORT' first, and its port."""
    proc = subprocess.Popen(command, stdout=subprocess.PIPE, **kw)
    line = proc.stdout.readline().decode("latin-1")
    found = re.search(r"listening on 127\.0\.0\.1:(\d+)", line)
    if not found:
        proc.kill()
        proc.wait()
        sys.exit("room latency: %s did not say where it listens: %r" % (command[0], line))
    return proc, int(found.group(1))


def stop(proc):
    if proc and proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def xdotool(*words, env=None):
    return subprocess.run(["xdotool"] + list(words), stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, env=env, timeout=30).stdout.decode()


def lines_from(path, offset):
    with open(path) as f:
        f.seek(offset)
        return f.read().splitlines()


def percentile(values, share):
    v = sorted(values)
    return v[min(len(v) - 1, max(0, int(round(share * len(v) + 0.5)) - 1))]


def measure(args, rtt, scratch):
    log = os.path.join(scratch, "probe-%d.txt" % rtt)
    open(log, "w").close()
    probe_env = dict(os.environ, LD_PRELOAD=args.probe, VASK_PROBE_LOG=log)
    relay = proxy = game = None
    try:
        relay, relay_port = started([args.relay, "--listen", "127.0.0.1:0"],
                                    stderr=open(os.path.join(scratch, "relay-%d.txt" % rtt), "wb"))
        proxy, proxy_port = started([args.proxy, "--to", str(relay_port), "--delay-ms", str(rtt / 2.0),
                                     "--seconds", "600"])
        out_path = os.path.join(scratch, "game-%d.txt" % rtt)
        game = subprocess.Popen([args.game, "--host", "--relay", "ws://127.0.0.1:%d" % proxy_port],
                                cwd=args.data, env=dict(probe_env, ALSOFT_DRIVERS="null"),
                                stdout=open(out_path, "wb"), stderr=subprocess.STDOUT)
        deadline = time.time() + 60
        window = None
        while time.time() < deadline and not window:
            if game.poll() is not None:
                sys.exit("room latency: the game ended: " + open(out_path).read())
            found = xdotool("search", "--onlyvisible", "--pid", str(game.pid)).split()
            window = found[0] if found else None
            time.sleep(0.2)
        while time.time() < deadline and not re.search(r"^room [0-9A-Z]{8}$", open(out_path).read(), re.M):
            time.sleep(0.1)
        if not window or time.time() >= deadline:
            sys.exit("room latency: no window or no room within 60 s: " + open(out_path).read())
        xdotool("windowfocus", "--sync", window)
        time.sleep(1.0)
        xdotool("key", "g")  # any key at the title takes a rider and starts the match
        time.sleep(2.0)
        xdotool("key", "v")  # the chase camera, behind the rider
        time.sleep(1.0)

        rnd = random.Random(rtt * 7919 + 1)
        shown, lost, quiet_largest, offset = [], 0, 0.0, os.path.getsize(log)
        for n in range(args.presses):
            time.sleep(0.35 + rnd.random() * 0.3)
            # Frames since the last press was seen, with no press waiting: how far riding on
            # alone moves the picture.
            for line in lines_from(log, offset):
                p = line.split()
                if p[0] == "frame":
                    quiet_largest = max(quiet_largest, float(p[2]))
            offset = os.path.getsize(log)
            xdotool("key", "Left" if n % 2 == 0 else "Right", env=probe_env)
            pressed_at = None
            seen = None
            until = time.time() + rtt / 1000.0 + GIVE_UP_S
            while seen is None and time.time() < until:
                time.sleep(0.02)
                for line in lines_from(log, offset):
                    p = line.split()
                    if p[0] == "key" and pressed_at is None:
                        pressed_at = int(p[1])
                    elif p[0] == "frame" and pressed_at is not None and int(p[1]) > pressed_at \
                            and float(p[2]) >= SHOWN_SHARE:
                        seen = (int(p[1]) - pressed_at) / 1e6
                        break
            if seen is None:
                lost += 1
                print("rtt %d press %d lost" % (rtt, n + 1), file=sys.stderr)
            else:
                shown.append(seen)
                print("rtt %d press %d %.1f ms" % (rtt, n + 1, seen), file=sys.stderr)
            # The next quiet stretch starts after the frames this press moved.
            time.sleep(0.1)
            offset = os.path.getsize(log)
        if len(shown) * 2 < args.presses:
            sys.exit("room latency: only %d of %d presses were seen on screen at %d ms" %
                     (len(shown), args.presses, rtt))
        return {"rttMs": rtt, "presses": len(shown), "lost": lost,
                "medianMs": statistics.median(shown), "p90Ms": percentile(shown, 0.9),
                "worstMs": max(shown), "bestMs": min(shown), "quietLargestShare": quiet_largest}
    finally:
        for proc in (game, proxy, relay):
            stop(proc)


def main():
    ap = argparse.ArgumentParser()
    for flag in ("--game", "--relay", "--proxy", "--probe", "--data"):
        ap.add_argument(flag, required=True)
    ap.add_argument("--presses", type=int, default=20)
    ap.add_argument("--rtt", default="0,50,150")
    ap.add_argument("--json", action="store_true")
    ap.add_argument("--keep", help="a folder to keep the probe's and programs' logs in")
    args = ap.parse_args()
    for name in ("game", "relay", "proxy", "probe", "data"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    results = []
    with tempfile.TemporaryDirectory(prefix="vask-room-latency-") as scratch:
        if args.keep:
            os.makedirs(args.keep, exist_ok=True)
            scratch = args.keep
        for rtt in (int(x) for x in args.rtt.split(",")):
            r = measure(args, rtt, scratch)
            results.append(r)
            if not args.json:
                print("rtt %d presses %d lost %d median %.1f p90 %.1f best %.1f worst %.1f "
                      "quiet_largest_share %.3f" % (rtt, r["presses"], r["lost"], r["medianMs"], r["p90Ms"],
                                                    r["bestMs"], r["worstMs"], r["quietLargestShare"]))
                sys.stdout.flush()
    if args.json:
        print(json.dumps({"loadAverage": os.getloadavg()[0], "rounds": results}))


if __name__ == "__main__":
    main()
