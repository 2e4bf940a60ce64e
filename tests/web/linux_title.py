#!/usr/bin/env python3
"""Writes the Linux program's title picture, as its window shows it, to a PPM file.

Usage (on a private Xvfb): with_xvfb.sh linux_title.py --game PATH --data DIR --out FILE
The game starts in a fresh working directory holding the data files of DIR and the Linux
end-to-end harness's match; once the title's lines show, its window is read, the picture
written to FILE and the game stopped. The browser's checks compare their title with it
(the test web_linux_title runs this once before them). FILE is removed first: a failed run
leaves no picture of an older game behind.
"""
import argparse
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import vask_e2e  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    args.game = os.path.abspath(args.game)
    if os.path.exists(args.out):
        os.remove(args.out)
    if not os.access(args.game, os.X_OK):
        print("no Linux program at %s: scripts/setup.sh builds it" % args.game, file=sys.stderr)
        return 1
    workdir = vask_e2e.make_workdir(args.data, "vask_linux_title_")
    game = vask_e2e.Game(args, workdir)
    game.font = vask_e2e.Font(os.path.join(args.data, "flori.fnt"))
    try:
        game.start()
        game.wait_window().save(args.out)
    except vask_e2e.Failure as failure:
        print("no Linux title: %s (files in %s)" % (failure, workdir), file=sys.stderr)
        return 1
    finally:
        game.stop()
    shutil.rmtree(workdir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
