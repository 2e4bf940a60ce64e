#!/usr/bin/env python3
"""Starts the real game on every data file made bad, and checks what docs/bad-input.md says.

Usage: bad_input_e2e.py --game PATH --data DIR [--wine BUILD] [--jobs N] [CASE...]
A case is FILE:KIND, KIND one of missing, empty, truncated, garbage (default: all 36).
Each case runs in a fresh working directory holding the game's files with that one made bad,
with OpenAL Soft writing its mix to a WAV file there (so the sound files and the song are
really loaded). Each case gets a private Xvfb of its own, two cases at a time: games that
shared one display stole each other's keyboard focus, so a key meant for one reached the
other. A game that must keep running shows its
window, goes into the attract mode (D), still runs a second later and ends with exit code
0 on a quit key. A game that must stop shows its "Error" box with the message, and exits
with code 1 once Return closes it. Neither may report a sanitizer error.
With --wine the game is the Windows program under Wine (the prefix of the Windows build
folder BUILD), playing its sound to whatever PulseAudio the caller set up
(tests/support/with_pulse_null_sink.sh), so the sound files are really loaded there too.
"""
import argparse
import concurrent.futures
import ctypes
import os
import struct
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from vask_e2e import HARNESS_MISS, Failure, HarnessMiss, debugger_text, focus_window, \
    match_seed, pinned_environment, stacks_of, start_xvfb, wine_environment  # noqa: E402

TITLE = "Vask Light Cycles by Velmor"
FILES = ["setup.txt", "vask3.wrl", "flori.fnt", "vask.jpg", "cyc4.wav", "boom.wav", "turn2.wav",
         "boom2.wav", "vask.mid"]
KINDS = ["missing", "empty", "truncated", "garbage"]
CASE_KEYS = ["Return", "d", "q"]  # the keys a case presses
# The only cell that stops the game; every other one keeps it running.
STOPS = {("vask3.wrl", "missing"): "Could not open .WRL file"}


def garbage(size):
    """The same pseudo-random bytes the unit tests use (tests/badinput/bad_files.cpp)."""
    out, x = bytearray(size), 12345
    for i in range(size):
        x = (x * 1103515245 + 12345) & 0xFFFFFFFF
        out[i] = (x >> 16) & 0xFF
    return bytes(out)


def bad_contents(good, kind):
    if kind == "empty":
        return b""
    if kind == "truncated":
        return good[:len(good) // 2]
    return garbage(len(good))


class FileWatch:
    """Which files of a folder are opened and read (Linux inotify), so a row can prove that
    the game really read its bad file, and did not pass because nothing ever asked for it."""
    IN_ACCESS, IN_OPEN, IN_NONBLOCK = 0x1, 0x20, 0x800

    def __init__(self, folder):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(self.IN_NONBLOCK)
        self.opened, self.read = set(), set()
        if self.fd < 0 or self.libc.inotify_add_watch(
                self.fd, folder.encode(), self.IN_ACCESS | self.IN_OPEN) < 0:
            raise OSError(ctypes.get_errno(), "inotify")

    def collect(self):
        while True:
            try:
                blob = os.read(self.fd, 65536)
            except BlockingIOError:
                return
            pos = 0
            while pos + 16 <= len(blob):
                _, mask, _, size = struct.unpack_from("iIII", blob, pos)
                name = blob[pos + 16:pos + 16 + size].rstrip(b"\0").decode()
                if mask & self.IN_OPEN:
                    self.opened.add(name)
                if mask & self.IN_ACCESS:
                    self.read.add(name)
                pos += 16 + size

    def close(self):
        os.close(self.fd)


def unread(watch, name, kind):
    """What the game failed to do with its bad file: open it, and read it unless it is empty."""
    watch.collect()
    if kind == "missing":
        return None
    if name not in watch.opened:
        return "the game never opened the bad %s" % name
    if kind != "empty" and name not in watch.read:
        return "the game opened the bad %s but never read it" % name
    return None


def xdotool(display, *args, proc=None):
    """xdotool on `display`. A key that fails is the harness's miss when xdotool says why,
    unless it ended `proc`'s game, which takes its window away under xdotool: a game that
    ends within two seconds is left to the caller's check of its exit."""
    env = dict(os.environ, DISPLAY=display)
    try:
        done = subprocess.run(["xdotool"] + list(args), stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, env=env, timeout=30)
    except subprocess.TimeoutExpired:
        raise Failure("xdotool %s did not answer within 30 s" % args[0])
    if done.returncode != 0 and args[0] == "key":
        deadline = time.time() + 2.0
        while proc is not None and proc.poll() is None and time.time() < deadline:
            time.sleep(0.05)
        if proc is not None and proc.poll() is not None:
            return []
        said = done.stderr.decode("latin-1").strip()
        if not said:
            raise Failure("xdotool key failed and did not say why")
        raise HarnessMiss("xdotool key failed: %s" % said)
    return done.stdout.decode().split()


def title_of(display, window):
    env = dict(os.environ, DISPLAY=display)
    return subprocess.run(["xdotool", "getwindowname", window], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, env=env).stdout.decode("utf-8", "replace").rstrip("\n")


def visible_window(display, name, pid=None):
    """A visible window titled exactly `name` (of process `pid` when given), or None. SDL's
    message box gives its title only as UTF-8 and no process id; xdotool's --name search
    passes such titles over, so titles are compared here one by one."""
    query = ["--pid", str(pid)] if pid else ["--class", ".*"]
    for window in xdotool(display, "search", "--onlyvisible", *query):
        if title_of(display, window) == name:
            return window
    return None


def find_window(display, proc, name, timeout, own=True):
    deadline = time.time() + timeout
    while time.time() < deadline:
        window = visible_window(display, name, proc.pid if own else None)
        if window:
            return window
        if proc.poll() is not None:
            return None
        time.sleep(0.1)
    return None


def frames_run(display, window, proc, timeout=20.0):
    """Whether the window's picture changes, as it does once the attract mode runs."""
    env = dict(os.environ, DISPLAY=display)
    first, deadline = None, time.time() + timeout
    while time.time() < deadline and proc.poll() is None:
        try:
            shot = subprocess.run(["import", "-window", window, "-depth", "8", "rgb:-"],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env,
                                  timeout=30).stdout
        except subprocess.TimeoutExpired:
            raise Failure("import did not answer within 30 s")
        if first is None:
            first = shot
        elif shot and shot != first:
            return True
        time.sleep(0.1)
    return False


def run_case(game, data, name, kind, wine=None, shared_display=None):
    """Returns None when the case holds, else what went wrong. Each case has an X server of
    its own, unless it is given one to share."""
    workdir = tempfile.mkdtemp(prefix="vask-bad-%s-%s-" % (name, kind))
    proc = watch = None
    xvfb, display = (None, shared_display) if shared_display else start_xvfb()
    try:
        if display is None:
            return "%s: Xvfb did not start" % HARNESS_MISS
        for f in FILES:
            with open(os.path.join(data, f), "rb") as src:
                good = src.read()
            if f == name:
                if kind != "missing":
                    with open(os.path.join(workdir, f), "wb") as dst:
                        dst.write(bad_contents(good, kind))
            else:
                with open(os.path.join(workdir, f), "wb") as dst:
                    dst.write(good)
        with open(os.path.join(workdir, "alsoft.conf"), "w") as conf:
            conf.write("[general]\ndrivers = wave\n[wave]\nfile = %s\n"
                       % os.path.join(workdir, "sound.wav"))
        env = dict(os.environ, DISPLAY=display, ALSOFT_CONF=os.path.join(workdir, "alsoft.conf"))
        command = [game]
        if wine:
            env, command = wine_environment(wine, env, sound=True), ["wine", game]
        if os.environ.get("VASK_GAME_PRELOAD"):  # libraries for the game alone (sanitize.sh)
            env["LD_PRELOAD"] = os.environ["VASK_GAME_PRELOAD"]
        env = pinned_environment(env)
        err_path = os.path.join(workdir, "stderr.txt")
        watch = FileWatch(workdir)  # from here on, only the game opens the data files
        with open(err_path, "wb") as err:
            proc = subprocess.Popen(command, cwd=workdir, env=env, stdout=subprocess.DEVNULL, stderr=err)
            message = STOPS.get((name, kind))
            if message:
                # Only this case stops the game, so at most one such box shows at a time.
                box = find_window(display, proc, "Error", 40.0, own=False)
                if box is None:
                    return "no Error box (exit %s)%s" % (proc.poll(), stacks_of(proc))
                if visible_window(display, TITLE, proc.pid):
                    return "the game window showed before the Error box"
                if wine:
                    focus_window(box, proc, env)  # Wine's box takes keys once in the foreground
                xdotool(display, "key", "--window", box, "Return", proc=proc)
                expected = 1
            else:
                window = find_window(display, proc, TITLE, 40.0)
                if window is None and proc.poll() is None:
                    return "no game window within 40 s, the game still running%s" % stacks_of(proc)
                if window is None:
                    with open(err_path, "rb") as f:
                        said = f.read().decode("latin-1")
                    return "the game window did not show (exit %s); stderr: %s" % (
                        proc.poll(), (debugger_text(said) if wine else said)[-800:])
                if wine:
                    focus_window(window, proc, env)
                xdotool(display, "key", "--window", window, "d", proc=proc)  # attract mode: frames run
                if not frames_run(display, window, proc):
                    if proc.poll() is None:
                        return "no frames ran in the attract mode%s" % stacks_of(proc)
                    # A game that ended here says why on its error output (under Wine, its
                    # debugger output): the key it took, or what stopped it.
                    with open(err_path, "rb") as f:
                        said = f.read().decode("latin-1")
                    return "the game ended (exit %s) instead of running the attract mode; stderr: %s" % (
                        proc.poll(), (debugger_text(said) if wine else said)[-800:])
                if proc.poll() is not None:
                    return "the game ended by itself with exit code %s" % proc.returncode
                xdotool(display, "key", "--window", window, "q", proc=proc)  # no command: quit
                expected = 0
            try:
                code = proc.wait(30.0)
            except subprocess.TimeoutExpired:
                return "the game did not end%s" % stacks_of(proc)
        with open(err_path, "rb") as f:
            stderr = f.read().decode("latin-1")
        if wine:
            stderr = debugger_text(stderr)
        if code != expected:
            return "exit code %s, expected %s; stderr: %s" % (code, expected, stderr[-600:])
        if message and ("Error: %s" % message) not in stderr:
            return "the box did not say %r; stderr: %s" % (message, stderr[-600:])
        for bad in ("AddressSanitizer", "LeakSanitizer", "runtime error:"):
            if bad in stderr:
                return "sanitizer report: %s" % stderr[stderr.index(bad) - 200:][:1500]
        return unread(watch, name, kind)
    finally:
        if watch:
            watch.close()
        if proc and proc.poll() is None:
            proc.kill()
            proc.wait()
        if shared_display and display:
            # A key whose game ended between its press and its release (the box's Return,
            # the quitting q) stays down in the shared X server, which repeats it into the
            # next case's game: a Return at its title ends it. Every case leaves them up.
            subprocess.run(["xdotool", "keyup"] + CASE_KEYS, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, env=dict(os.environ, DISPLAY=display), timeout=30)
        if xvfb:
            xvfb.kill()
            xvfb.wait()
        shutil.rmtree(workdir, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--wine", metavar="BUILD", help="run the Windows program under Wine")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("cases", nargs="*")
    args = parser.parse_args()
    args.game, args.data = os.path.abspath(args.game), os.path.abspath(args.data)
    if args.wine:
        # Every Wine program of one server shares one Windows desktop and so one foreground
        # window: keys meant for one game would reach the other. One game at a time.
        args.jobs = 1
        # And one X server for the whole table: Wine's desktop process, shared by every
        # program of the server, lives on the display of the program that started it, and
        # a display taken down under it as a case ends can leave the next case's game
        # without a desktop to make its window on.
        xvfb, shared = start_xvfb()
        if shared is None:
            print("%s: Xvfb did not start" % HARNESS_MISS)
            return 1
    else:
        xvfb, shared = None, None
    cases = [tuple(c.split(":")) for c in args.cases] or [(f, k) for f in FILES for k in KINDS]
    print("match seed %s (VASK_E2E_SEED=%s replays it)" % (match_seed(), match_seed()))
    start = time.time()
    failures = 0
    def case(*what):
        try:
            return run_case(*what)
        except HarnessMiss as miss:
            return "%s: %s" % (HARNESS_MISS, miss)
        except Failure as failure:
            return str(failure)
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        results = [(c, pool.submit(case, args.game, args.data, *c, args.wine, shared)) for c in cases]
        for (name, kind), future in results:
            problem = future.result()
            verdict = "stops" if (name, kind) in STOPS else "runs"
            print("%-10s %-9s %-5s %s" % (name, kind, verdict, "ok" if problem is None else "FAILED: " + problem))
            failures += problem is not None
    print("%d cases, %d failed, %.0f s" % (len(cases), failures, time.time() - start))
    if xvfb:
        xvfb.kill()
        xvfb.wait()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
