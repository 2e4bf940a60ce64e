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
  full_screen:  under a window manager, --fullscreen starts in a borderless full screen, the
                title scaled into its middle between black bars; Alt+Enter leaves it and, in
                play, enters and leaves it again with the game running; leaving puts the
                window back where it was, at 640 by 480.
  resize_title: the title, with no key pressed, shows again at once in a window resized to
                1280 by 960, each of its pixels a 2 by 2 block, and pixel for pixel as before
                back at 640 by 480.
  desktop_scale: GDK_SCALE=2 opens the window at 1280 by 960, Xft.dpi 144 at 960 by 720.
The last three want a screen of 1920 by 1080 (VASK_XVFB_SCREEN=1920x1080x24).
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

    def start(self, *options):
        self.err = open(os.path.join(self.workdir, "stderr.txt"), "wb")
        self.proc = subprocess.Popen([self.args.game] + list(options), cwd=self.workdir,
                                     env=self.env, stdout=subprocess.DEVNULL, stderr=self.err)

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


def focus(window, proc):
    e2e.focus_window(window, proc)
    time.sleep(0.3)


def hold_while_focus_moves(game, other, other_proc, modifier):
    """Focus the other window, press the modifier there, move focus to the game, release
    the modifier in the game and let the game run a moment."""
    focus(other, other_proc)
    game.xdotool("keydown", modifier)
    time.sleep(0.2)
    focus(game.window, game.proc)
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
            hold_while_focus_moves(game, other, other_proc, modifier)
            check(game.running(), "%s held while focus moved ended the game at the title"
                  % modifier)
            image = game.shot("title_after_" + modifier)
            check(e2e.panel_fraction(image) < 0.01, "%s held while focus moved left the title"
                  % modifier)
        focus(game.window, game.proc)
        game.key("g")
        game.wait_play()
        for modifier in ["shift", "ctrl", "super"]:
            hold_while_focus_moves(game, other, other_proc, modifier)
            check(game.running(), "%s held while focus moved ended play" % modifier)
        # A modifier pressed while the game has focus still quits, as any unassigned key.
        focus(game.window, game.proc)
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
    focus(game.window, game.proc)
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


# --- the window at other sizes ----------------------------------------------------------

def start_window_manager():
    """Openbox on the test's display: full screen is the window manager's to grant. Returns
    its process once it has taken the screen.
    Openbox's first start on a fresh system builds fontconfig's caches after it has taken the
    screen, and a window mapped meanwhile is never shown (seen on a new Debian 12): the caches
    are built first, which takes a second on a fresh system and nothing after."""
    run("fc-cache")
    try:
        wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    except OSError as error:
        raise e2e.Failure("no window manager (openbox, from scripts/packages-tests.txt): %s" % error)
    deadline = time.monotonic() + 20.0
    while "window id" not in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK").stdout.decode():
        check(wm.poll() is None, "openbox ended (code %s)" % wm.returncode)
        if time.monotonic() > deadline:
            wm.kill()
            raise e2e.HarnessMiss("openbox did not take the screen within 20 s")
        time.sleep(0.1)
    return wm


def windows_named(name, wm):
    """What the display holds of that name, for a failure's message: each window's map state
    and size, and whether the window manager still runs."""
    found = run("xdotool", "search", "--name", "^%s$" % name).stdout.decode().split()
    states = []
    for window in found:
        info = run("xwininfo", "-id", window).stdout.decode()
        states.append(window + ": " + ", ".join(
            line.strip() for line in info.splitlines()
            if line.strip().startswith(("Map State", "Width", "Height"))))
    return "windows of that name: %s; openbox %s" % (
        "; ".join(states) or "none", "running" if wm.poll() is None else "ended (%s)" % wm.returncode)


def geometry(window):
    """(x, y, width, height) of the window on the screen."""
    out = run("xdotool", "getwindowgeometry", "--shell", window).stdout.decode().split()
    g = dict(line.split("=") for line in out if "=" in line)
    return tuple(int(g.get(k, -1)) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def full_screen_state(window):
    return "_NET_WM_STATE_FULLSCREEN" in run("xprop", "-id", window, "_NET_WM_STATE").stdout.decode()


def shot_any(game):
    """The window's pixels at whatever size it has."""
    out = run("import", "-window", game.window, "-depth", "8", "ppm:-")
    check(out.returncode == 0 or game.running(), "the game ended (code %s)" % game.proc.returncode)
    return e2e.read_ppm(out.stdout) if out.returncode == 0 else None


def wait_until(holds_now, what, game, timeout=20.0):
    deadline = time.monotonic() + timeout
    while True:
        value = holds_now()
        if value:
            return value
        check(game.running(), "the game ended (code %s) before %s" % (game.proc.returncode, what))
        check(time.monotonic() < deadline, "%s not within %.0f s" % (what, timeout))
        time.sleep(0.1)


SCREEN = (1920, 1080)
# The frame in a 1920 by 1080 full screen: 1440 by 1080 from x 240.
AREA_X, AREA_W = 240, 1440


def scaled_title_shown(image):
    """The pattern title scaled into the middle of the full screen, black bars beside it."""
    if image is None or (image.width, image.height) != SCREEN:
        return False
    scale = AREA_W / e2e.WIDTH
    colours = all(e2e.near(image.at(AREA_X + int(x * scale), int(y * scale)), c, 40)
                  for (x, y), c in e2e.QUADRANTS)
    bars = all(image.at(x, y) == (0, 0, 0) for x in (0, 120, 239, 1680, 1800, 1919)
               for y in range(0, SCREEN[1], 60))
    return colours and bars


def full_screen_now(game):
    image = shot_any(game)
    return (full_screen_state(game.window) and geometry(game.window) == (0, 0) + SCREEN
            and image is not None and (image.width, image.height) == SCREEN and image)


def windowed_now(game, place=None):
    g = geometry(game.window)
    return (not full_screen_state(game.window) and g[2:] == (e2e.WIDTH, e2e.HEIGHT)
            and (place is None or g[:2] == place))


def case_full_screen(game, font):
    wm = start_window_manager()
    try:
        e2e.make_pattern_jpeg(os.path.join(game.workdir, "vask.jpg"))
        game.start("--fullscreen")
        game.window = game.find("^%s$" % e2e.TITLE)
        check(game.window is not None, "the game window did not show (%s; stderr: %s)"
              % (windows_named(e2e.TITLE, wm), game.stderr()))
        e2e.focus_window(game.window, game.proc)
        wait_until(lambda: scaled_title_shown(shot_any(game)),
                   "the title scaled in a 1920 by 1080 full screen", game)

        game.key("alt+Return")
        wait_until(lambda: windowed_now(game), "the window at 640 by 480 after Alt+Enter", game)
        game.wait_for(lambda image: e2e.holds(e2e.title_lines, image, font), "the title in the window")
        place = geometry(game.window)[:2]

        game.key("g")
        game.wait_play()
        game.key("alt+Return")
        last = []

        def play_full_screen():
            image = full_screen_now(game)
            last[:] = [image]
            return image and all(image.at(x, y) == (0, 0, 0) for x in (0, 239, 1680, 1919)
                                 for y in (0, 540, 1079)) and image
        try:
            first = wait_until(play_full_screen, "play in the full screen, black bars beside it", game)
        except e2e.Failure:
            if last and last[0]:
                last[0].save(os.path.join(game.workdir, "full_screen.ppm"))
            raise
        wait_until(lambda: e2e.difference(first, shot_any(game)) > 0,
                   "the match moving on in the full screen", game)
        game.key("alt+Return")
        wait_until(lambda: windowed_now(game, place), "the window back at %s, 640 by 480" % (place,), game)
        game.wait_play()
        check(game.running(), "Alt+Enter ended the game")
        game.key("q")
        check(game.wait_exit() == 0, "q did not end the game with code 0")
    finally:
        wm.kill()
        wm.wait()


# The scaled-present check every harness holds a shown picture to (--scaled-check).
SCALED_CHECK = None


def scaled_as_worked_out(frame, shown, workdir):
    """None when `shown` is `frame` scaled to its size as the present must scale it, or
    what the check found."""
    frame_path, shown_path = (os.path.join(workdir, name) for name in ("frame.ppm", "shown.ppm"))
    frame.save(frame_path)
    shown.save(shown_path)
    done = run(SCALED_CHECK, frame_path, shown_path)
    check(done.returncode in (0, 1), "the scaled-picture check failed: %s" % done.stderr.decode())
    return None if done.returncode == 0 else done.stdout.decode().strip()


def case_resize_title(game, font):
    game.start()
    title = game.wait_window()

    # All of it on the screen, where its pixels can be read.
    game.xdotool("windowmove", "--sync", game.window, "0", "0")
    game.xdotool("windowsize", game.window, "1280", "960")
    found = []

    def shown_twice():
        image = shot_any(game)
        if image is None or (image.width, image.height) != (1280, 960):
            return False
        found[:] = [scaled_as_worked_out(title, image, game.workdir)]
        return found[0] is None
    try:
        wait_until(shown_twice, "the title shown again at 1280 by 960, each pixel a 2 by 2 block", game)
    except e2e.Failure as failure:
        if found:  # the last look's pictures stay in the case's folder
            raise type(failure)("%s: %s (frame.ppm, shown.ppm)" % (failure, found[0]))
        raise
    game.xdotool("windowsize", game.window, "640", "480")
    wait_until(lambda: e2e.difference(title, game.shot()) == 0,
               "the title back at 640 by 480, pixel for pixel", game)
    check(game.running(), "resizing ended the game")
    e2e.close_request(game.window)
    check(game.wait_exit() == 0, "closing the window did not end the game with code 0")


def case_desktop_scale(game, font):
    for setting, size in [("GDK_SCALE", (1280, 960)), ("Xft.dpi", (960, 720))]:
        if setting == "GDK_SCALE":
            game.env["GDK_SCALE"] = "2"
        else:
            game.env.pop("GDK_SCALE", None)
            done = run("xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set",
                       "RESOURCE_MANAGER", "Xft.dpi:\t144\n")
            check(done.returncode == 0, "xprop could not set Xft.dpi: %s" % done.stderr.decode())
        game.start()
        game.window = game.find("^%s$" % e2e.TITLE)
        check(game.window is not None, "the game window did not show (stderr: %s)" % game.stderr())
        wait_until(lambda: geometry(game.window)[2:] == size,
                   "the window at %dx%d with %s" % (size + (setting,)), game)
        e2e.close_request(game.window)
        check(game.wait_exit() == 0, "closing the window did not end the game with code 0")


CASES = {
    "pace_play": pace_case("g"),
    "pace_attract": pace_case("d"),
    "focus_modifier": case_focus_modifier,
    "desktop_keys": case_desktop_keys,
    "no_display": display_case(None),
    "dead_display": display_case(":4321"),
    "full_screen": case_full_screen,
    "resize_title": case_resize_title,
    "desktop_scale": case_desktop_scale,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--swap-counter")
    parser.add_argument("--scaled-check")
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    global SCALED_CHECK
    SCALED_CHECK = args.scaled_check
    return e2e.run_case(args, CASES, CountedGame, "vask_desktop_")


if __name__ == "__main__":
    sys.exit(main())
