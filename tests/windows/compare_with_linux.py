#!/usr/bin/env python3
"""The Windows program under Wine against the Linux program: the same GL code drawing on the
same Mesa, so the title must come out the same, pixel for pixel but for a little rounding,
and play must show the same HUD: the minimap's panel and each rider's score in its colour.
The scores themselves and the riders' places are left alone: the two matches are played
apart, and a crash in either changes them. Saves both pictures side by side and reports the difference.

Usage: with_xvfb.sh compare_with_linux.py --linux GAME --windows GAME.exe --wine BUILD
                    --data DIR --out DIR
"""
import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import vask_e2e as e2e  # noqa: E402
from vask_e2e import check  # noqa: E402


def screens(game_path, wine, data, out, name):
    """The title and, once the first key has brought up the minimap, play: (title, play).
    Each program gets an X server of its own: on one server that does not reset between
    clients, the Windows program started after the Linux one received key presses it was
    never sent, and quit."""
    xvfb, display = e2e.start_xvfb()
    outer = os.environ.get("DISPLAY")
    try:
        if display is None:
            raise e2e.HarnessMiss("Xvfb did not start")
        os.environ["DISPLAY"] = display
        return screens_on_display(game_path, wine, data, out, name)
    finally:
        if outer is None:
            os.environ.pop("DISPLAY", None)
        else:
            os.environ["DISPLAY"] = outer
        xvfb.kill()
        xvfb.wait()


def screens_on_display(game_path, wine, data, out, name):
    workdir = e2e.make_workdir(data, "vask_compare_%s_" % name)
    game = e2e.Game(argparse.Namespace(game=game_path, wine=wine), workdir)
    # Silent on both sides, so neither waits on a sound device.
    env = game.environment() or dict(os.environ)
    env["ALSOFT_DRIVERS"] = "none"
    game.environment = lambda: env
    game.font = e2e.Font(os.path.join(data, "flori.fnt"))
    try:
        game.start()
        title = game.wait_window()
        game.key("g")
        play = game.wait_play()
        game.key("q")
        check(game.wait_exit() == 0, "%s did not end with code 0" % name)
    finally:
        game.stop()
        shutil.rmtree(workdir, ignore_errors=True)
    title.save(os.path.join(out, "%s-title.ppm" % name))
    play.save(os.path.join(out, "%s-play.ppm" % name))
    return title, play


def differing(a, b, x0=0, y0=0, x1=e2e.WIDTH, y1=e2e.HEIGHT, tolerance=8):
    """The share of pixels in the area where some channel differs by more than `tolerance`."""
    n = 0
    for y in range(y0, y1):
        for x in range(x0, x1):
            if any(abs(p - q) > tolerance for p, q in zip(a.at(x, y), b.at(x, y))):
                n += 1
    return n / ((x1 - x0) * (y1 - y0))


def side_by_side(out, what):
    subprocess.run(["convert", os.path.join(out, "linux-%s.ppm" % what),
                    os.path.join(out, "windows-%s.ppm" % what), "+append",
                    os.path.join(out, "%s-linux-windows.png" % what)], check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--linux", required=True)
    parser.add_argument("--windows", required=True)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    try:
        linux_title, linux_play = screens(os.path.abspath(args.linux), None, args.data, args.out, "linux")
        win_title, win_play = screens(os.path.abspath(args.windows), args.wine, args.data, args.out,
                                      "windows")
        for what in ("title", "play"):
            side_by_side(args.out, what)
        title = differing(linux_title, win_title)
        # Play: the riders start at random places and crash at random times, so only the
        # HUD's frame is the same on both: the minimap's panel (walls aside) and a score in
        # each rider's colour in its place.
        panel = abs(e2e.panel_fraction(linux_play) - e2e.panel_fraction(win_play))
        whole_play = differing(linux_play, win_play)
        print("title: %.3f %% of pixels differ" % (100 * title))
        print("play: the minimap panel's grey share differs by %.3f %%; %.1f %% of the whole"
              " picture differs (riders placed at random, not compared)"
              % (100 * panel, 100 * whole_play))
        print("side by side: %s" % ", ".join(os.path.join(args.out, "%s-linux-windows.png" % w)
                                             for w in ("title", "play")))
        check(title < 0.001, "the Windows title differs from the Linux one in %.2f %% of pixels"
              % (100 * title))
        for name, play in (("Linux", linux_play), ("Windows", win_play)):
            try:
                e2e.check_scores(play)
            except e2e.Failure as failure:
                raise e2e.Failure("%s play: %s" % (name, failure))
        check(panel < 0.02, "the minimap panels differ")
    except e2e.Failure as failure:
        miss = "%s: " % e2e.HARNESS_MISS if isinstance(failure, e2e.HarnessMiss) else ""
        print("%sFAILED: %s (pictures in %s)" % (miss, failure, args.out), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
