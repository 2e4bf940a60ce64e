#!/usr/bin/env python3
"""The real game on a desktop, end to end: its pace, a modifier held while focus moves to
it, and no display at all. Reuses the window, key and screenshot helpers of vask_e2e.py.

Usage: desktop_e2e.py --game PATH --data DIR [--swap-counter LIB] CASE
  pace_play, pace_attract: on a 50 Hz display (played by a preloaded library that counts
                the buffer swaps on the display's own virtual clock, which is also the
                clock the game paces itself by) no swap waits for the display's refresh,
                and the match makes 60 steps a second of that clock, 119 to 121 in 2 s.
  focus_modifier: Shift, Control or Super held down in another window while focus moves
                to the game neither starts play at the title nor quits play.
  desktop_keys: the desktop's own keys (volume, mute, media, Super, Menu) pressed in play
                leave the game running; any other key still ends it.
  no_display, dead_display: without a usable display the game says so and exits with 1
                promptly.
"""
import argparse
import os
import struct
import subprocess
import sys
import time

import vask_e2e as e2e
from vask_e2e import check, run


class CountedGame(e2e.Game):
    """The game with the swap counter preloaded, and an environment of the case's own."""

    def __init__(self, args, workdir, env=None):
        super().__init__(args, workdir)
        self.env = e2e.pinned_environment(dict(os.environ if env is None else env))
        self.count_file = os.path.join(workdir, "swaps")
        if args.swap_counter:
            self.env["LD_PRELOAD"] = args.swap_counter
            self.env["VASK_SWAP_COUNT"] = self.count_file

    def start(self):
        self.err = open(os.path.join(self.workdir, "stderr.txt"), "wb")
        self.proc = subprocess.Popen([self.args.game], cwd=self.workdir, env=self.env,
                                     stdout=subprocess.DEVNULL, stderr=self.err)

    def counts(self):
        """(swaps, swaps that waited for the simulated display's refresh, the display's
        clock in nanoseconds at the last swap), read until two reads agree."""
        last = None
        while True:
            try:
                with open(self.count_file, "rb") as f:
                    now = struct.unpack("<QQQ", f.read(24))
            except (OSError, struct.error):
                now = (0, 0, 0)
            if now == last:
                return now
            last = now

    def swaps(self):
        return self.counts()[0]


SECOND = 1000000000


def steps_in_two_seconds(game, timeout=60.0):
    """Steps the game makes in 2 s of the display's clock, counted from swap to swap."""
    n0, _, t0 = game.counts()
    deadline = time.monotonic() + timeout
    while True:
        n1, _, t1 = game.counts()
        if t1 >= t0 + 2 * SECOND:
            return (n1 - n0) * 2.0 * SECOND / (t1 - t0)
        check(game.running(), "the game ended")
        check(time.monotonic() < deadline, "the display's clock stood still at %.3f s for %.0f s:"
              " the game stopped waiting for its frame slots" % (t1 / SECOND, timeout))
        time.sleep(0.05)


# Slower than the game's 60 frames a second, as many displays and TVs are.
SLOW_DISPLAY_HZ = 50


def pace_case(first_key):
    def case(game, font):
        check(game.args.swap_counter, "the pace checks need --swap-counter")
        game.env["VASK_DISPLAY_HZ"] = str(SLOW_DISPLAY_HZ)
        game.env["VASK_VIRTUAL_CLOCK"] = "1"
        game.start()
        game.wait_window()
        game.key(first_key)
        game.wait_frames()
        check(game.swaps() > 0, "no frames counted after the first key")
        steps = steps_in_two_seconds(game)
        swaps, synced, _ = game.counts()
        print("%s: %.1f steps in 2 s of the display's clock; %d of %d swaps waited for a refresh"
              % (first_key, steps, synced, swaps))
        # The same by construction, however loaded the machine: on the clock the game paces
        # itself by, drawing takes no time, so only the pacer decides the count.
        check(synced == 0, "%d swaps waited for the 50 Hz display's refresh" % synced)
        check(119 <= steps <= 121, "the match makes %.1f steps in 2 s, not 120" % steps)
        check(game.running(), "the game ended")
        game.key("q")
        check(game.wait_exit() == 0, "q did not end the game with code 0")
    return case


def focus(window):
    e2e.focus_window(window)
    time.sleep(0.3)


def hold_while_focus_moves(game, other, modifier):
    """Focus the other window, press the modifier there, move focus to the game, release
    the modifier in the game and let the game run a moment."""
    focus(other)
    game.xdotool("keydown", modifier)
    time.sleep(0.2)
    focus(game.window)
    time.sleep(0.5)
    game.xdotool("keyup", modifier)
    time.sleep(0.5)


def case_focus_modifier(game, font):
    game.start()
    game.wait_window()
    other_proc = subprocess.Popen(["xmessage", "-name", "vask-other", "other window"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        other = game.find("^vask-other$|^xmessage$|other window", timeout=10.0)
        check(other is not None, "the other window did not show")
        for modifier in ["shift", "ctrl", "super"]:
            hold_while_focus_moves(game, other, modifier)
            check(game.running(), "%s held while focus moved ended the game at the title"
                  % modifier)
            image = game.shot("title_after_" + modifier)
            check(e2e.panel_fraction(image) < 0.01, "%s held while focus moved left the title"
                  % modifier)
        focus(game.window)
        game.key("g")
        game.wait_play()
        for modifier in ["shift", "ctrl", "super"]:
            hold_while_focus_moves(game, other, modifier)
            check(game.running(), "%s held while focus moved ended play" % modifier)
        # A modifier pressed while the game has focus still quits, as any unassigned key.
        focus(game.window)
        game.key("shift")
        check(game.wait_exit() == 0, "Shift pressed in play did not end the game with code 0")
    finally:
        other_proc.kill()
        other_proc.wait()


def swaps_or_exit(game, count=3, timeout=20.0):
    """Waits until the game has swapped `count` more frames, drawn after what was sent
    before, which it has by then taken from its queue, or has ended."""
    target = game.swaps() + count
    deadline = time.monotonic() + timeout
    while game.running() and game.swaps() < target:
        check(time.monotonic() < deadline, "no new frame within %.0f s" % timeout)
        time.sleep(0.02)


def case_desktop_keys(game, font):
    check(game.args.swap_counter, "the desktop keys case needs --swap-counter")
    game.start()
    game.wait_window()
    focus(game.window)
    game.key("g")
    game.wait_play()
    for key in ["XF86AudioRaiseVolume", "XF86AudioMute", "XF86AudioPlay", "super", "Menu"]:
        game.key(key)
        swaps_or_exit(game)
        check(game.running(), "%s ended play" % key)
    game.key("q")
    check(game.wait_exit() == 0, "q did not end the game with code 0")


def display_case(display):
    def case(game, font):
        if display is None:
            game.env.pop("DISPLAY", None)
        else:
            game.env["DISPLAY"] = display
        game.env.pop("WAYLAND_DISPLAY", None)
        game.env.pop("SDL_VIDEODRIVER", None)
        start = time.monotonic()
        game.start()
        code = game.wait_exit(timeout=10.0)
        took = time.monotonic() - start
        check(code is not None, "the game did not end without a display")
        check(code == 1, "exit code %s without a display, not 1" % code)
        # A hang or a retry loop, not a slow start on a loaded machine, is what this catches.
        check(took < 8.0, "the game took %.1f s to give up" % took)
        err = game.stderr()
        check("cannot open a display" in err, "stderr does not say so: %r" % err)
        lines = [line for line in err.splitlines() if "cannot open a display" in line]
        check(len(lines) == 1, "not one line: %r" % err)
        check("x11" in lines[0], "the line does not say what was tried: %r" % lines[0])
    return case


CASES = {
    "pace_play": pace_case("g"),
    "pace_attract": pace_case("d"),
    "focus_modifier": case_focus_modifier,
    "desktop_keys": case_desktop_keys,
    "no_display": display_case(None),
    "dead_display": display_case(":4321"),
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--swap-counter")
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    return e2e.run_case(args, CASES, CountedGame, "vask_desktop_")


if __name__ == "__main__":
    sys.exit(main())
