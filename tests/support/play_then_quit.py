#!/usr/bin/env python3
"""Plays the game that a shell test started, through its window: gives the window the focus,
waits for the title's lines, leaves the title with Up, waits for play's minimap and ends the
game with q. The shell test then checks the exit code. Exit status 0 when all of that held.

Usage: play_then_quit.py --window ID --pid PID --data DIR [--wine]
"""
import argparse
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import vask_e2e as e2e  # noqa: E402


class Running:
    """The game as a process that is not ours to wait for: only whether it still runs."""

    def __init__(self, pid):
        self.pid, self.returncode = pid, None

    def poll(self):
        try:
            with open("/proc/%d/stat" % self.pid) as f:
                zombie = f.read().rsplit(")", 1)[1].split()[0] == "Z"
        except OSError:
            zombie = True
        return "ended" if zombie else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--window", required=True)
    parser.add_argument("--pid", type=int, required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--wine", action="store_true")
    args = parser.parse_args()
    game = e2e.Game(argparse.Namespace(wine=args.wine or None), tempfile.mkdtemp(prefix="vask_play_"))
    game.proc, game.window = Running(args.pid), args.window
    font = e2e.Font(os.path.join(args.data, "flori.fnt"))
    try:
        e2e.focus_window(game.window, game.proc)
        game.wait_for(lambda image: e2e.holds(e2e.title_lines, image, font), "the title")
        game.key("Up")
        game.wait_for(lambda image: e2e.panel_fraction(image) > 0.9, "play's minimap")
        game.key("q")
    except e2e.Failure as failure:
        miss = "%s: " % e2e.HARNESS_MISS if isinstance(failure, e2e.HarnessMiss) else ""
        where = "" if miss else e2e.stacks_of(game.proc)
        print("%sFAILED: %s%s" % (miss, failure, where), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
