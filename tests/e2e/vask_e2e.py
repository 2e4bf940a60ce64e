#!/usr/bin/env python3
"""Drives the real game on the current X display (a private Xvfb) and checks what it shows.

Usage: vask_e2e.py --game PATH --data DIR [--wine BUILD] CASE
Each case copies the game's files into a fresh working directory, starts the game there,
presses keys with xdotool, reads the window's pixels with ImageMagick's import and checks
them, the exit code and standard error. Exit status 0 when the case holds.
With --wine the game is the Windows program, run under Wine with the prefix of the Windows
build folder BUILD (scripts/wine-env.sh) and no sound output.
"""
import argparse
import ctypes
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

TITLE = "Vask Light Cycles by Velmor"
WIDTH, HEIGHT = 640, 480
WHITE = (255, 255, 255)
PANEL = (96, 96, 96)
FLOOR = (0, 0, 102)
DATA_FILES = ["vask3.wrl", "flori.fnt", "vask.jpg", "cyc4.wav", "boom.wav", "turn2.wav",
              "boom2.wav", "vask.mid"]
# Our own match: five riders in colours that are easy to tell apart, scores shown.
MATCH = "0 1 1\n1 0.5 0\n1 0 1\n0 1 0\n1 1 0\n4 0 1\n"
RIDER_COLOURS = [(0, 255, 255), (255, 127, 0), (255, 0, 255), (0, 255, 0), (255, 255, 0)]


class Failure(Exception):
    pass


class HarnessMiss(Failure):
    """The harness, not the game, missed: the X server would not start, xdotool refused to
    give the focus and said why, the screenshot tool failed on a window that was up and
    drawing. The test command may try such a case a second time; never any other failure.
    A game that is alive but does not show what it should, or that a helper hangs on, has
    failed: its stacks go into the log (stacks_of)."""


HARNESS_MISS = "HARNESS MISS"


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(*args, **kw):
    """Runs a helper (xdotool, import, convert). One that hangs for 30 s hangs on the game
    it talks to (an X client that no longer answers): a failure, not a miss."""
    try:
        return subprocess.run(list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=30, **kw)
    except subprocess.TimeoutExpired:
        raise Failure("%s did not answer within 30 s" % args[0])


def descendants(pid):
    """pid and every process below it."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            children.setdefault(parent, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(children.get(p, []))
    return found


def stacks_of(proc):
    """Where a game that is still running is stuck: every thread of it and of the processes
    it started, as gdb sees them."""
    if proc is None or proc.poll() is not None:
        return ""
    if not shutil.which("gdb"):
        return "\n(no gdb to take the game's stacks with)"
    text = ""
    for pid in descendants(proc.pid)[:6]:
        try:
            out = subprocess.run(["gdb", "-p", str(pid), "-batch", "-nx",
                                  "-ex", "thread apply all bt 25"],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
            lines = [line for line in out.stdout.decode("latin-1").splitlines()
                     if not line.startswith(("[New LWP", "warning: ", "Reading symbols"))]
            text += "\n== stacks of process %d ==\n%s" % (pid, "\n".join(lines)[-8000:])
        except subprocess.TimeoutExpired:
            text += "\n== gdb did not answer for process %d ==" % pid
    return "; where the game is:" + text


def match_seed():
    """The calendar second the game seeds its generator with: VASK_E2E_SEED to replay a
    match, else a new one each run. Printed by run_case, so a failure can be replayed."""
    seed = os.environ.get("VASK_E2E_SEED")
    if not seed:
        seed = os.environ["VASK_E2E_SEED"] = str(random.randrange(1, 2 ** 31))
    return seed


def pinned_environment(env):
    """`env` with the preloaded clock of tests/e2e/fixed_clock.c (VASK_FIXED_CLOCK, set by
    the test list) reading the match seed: the game plays the match of that seed."""
    shim = os.environ.get("VASK_FIXED_CLOCK")
    if shim:
        env["LD_PRELOAD"] = (env.get("LD_PRELOAD", "") + " " + shim).strip()
        env["VASK_FIXED_TIME"] = match_seed()
    return env


def wine_environment(build, base=None, sound=False):
    """What scripts/wine-env.sh sets, for the Windows build in `build`, with the debugger
    output on (Wine prints it as its debugstr warnings). Without `sound`, no sound output
    either: PulseAudio pointed at nothing and ALSA knowing no device."""
    env = dict(os.environ if base is None else base)
    build = os.path.abspath(build)
    env.update(WINEPREFIX=os.path.join(build, "wine"), WINEARCH="win64",
               WINEDEBUG="-all,warn+debugstr", WINEDLLOVERRIDES="mscoree,mshtml=",
               HOME=os.path.join(build, "wine-home"))
    if not sound:
        env.update(PULSE_SERVER="unix:/nonexistent/vask-no-pulse.sock", ALSA_CONFIG_PATH=os.devnull)
    return env


DEBUG_STRING = re.compile(r'^[0-9a-f]+:warn:debugstr:OutputDebugStringA "(.*)"$')


def debugger_text(stderr):
    """Wine's debugstr lines turned back into the text the program handed the debugger."""
    lines = []
    for line in stderr.splitlines(True):
        m = DEBUG_STRING.match(line.rstrip("\r\n"))
        if m:
            lines.append(m.group(1).encode("latin-1").decode("unicode_escape"))
        else:
            lines.append(line)
    return "".join(lines)


class Image:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def count(self, x0, y0, x1, y1, pred):
        """Pixels in [x0, x1) x [y0, y1) (screen rows, top first) for which pred holds."""
        n = 0
        for y in range(y0, y1):
            for x in range(x0, x1):
                if pred(self.at(x, y)):
                    n += 1
        return n

    def save(self, path):
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height) + bytes(self.data))


def start_xvfb():
    """A private X server; returns (process, display) or (process, None) if it never came up.
    -noreset, as in tests/support/with_xvfb.sh: a reset when the last helper leaves drops a
    game that is connecting just then."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    number = number.strip()
    return xvfb, (":" + number.decode()) if number else None


def viewable(window, env=None):
    """Whether the window is mapped, and every window above it: up on the screen."""
    return "IsViewable" in run("xwininfo", "-id", window, env=env).stdout.decode("latin-1")


def refused(what, said, window, proc, env=None):
    """xdotool refused `what` on the window of the program `proc`, saying `said`: the
    harness's miss while the program runs and its window is up. A window that went away
    with its program (a BadWindow from a game that crashed), or one not up, is the
    program's failure, and so is a refusal xdotool did not explain."""
    check(said, "%s, and xdotool did not say why" % what)
    check(proc.poll() is None, "%s (%s): the program has ended (%s)" % (what, said, proc.poll()))
    check(viewable(window, env), "%s (%s): the window is not up" % (what, said))
    raise HarnessMiss("%s: %s" % (what, said))


def focus_window(window, proc, env=None):
    """Gives the window of the program `proc` the keyboard focus, as a click would, and waits
    until it has it. With no window manager Wine asks for the focus itself when the window
    maps, and on a loaded machine that request can come before the X server has mapped it,
    leaving the window inactive and deaf. xdotool refusing is the harness's miss only while
    the program runs with its window up (refused); no answer within 30 s is a window that
    never takes the focus, the program's failure."""
    try:
        done = subprocess.run(["xdotool", "windowfocus", "--sync", window],
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env,
                              timeout=30)
    except subprocess.TimeoutExpired:
        raise Failure("window %s did not take the focus within 30 s" % window)
    if done.returncode != 0:
        refused("xdotool could not give window %s the focus" % window,
                done.stderr.decode("latin-1").strip(), window, proc, env)


def client_area(image):
    """Wine draws the caption and frame into the window itself (no window manager here):
    the bottom-centred 640 by 480 below the caption is the picture."""
    border = (image.width - WIDTH) // 2
    top = image.height - HEIGHT - border
    check(border >= 0 and top >= 0, "window is %dx%d, smaller than the picture"
          % (image.width, image.height))
    rows = [image.data[((top + y) * image.width + border) * 3:
                       ((top + y) * image.width + border + WIDTH) * 3] for y in range(HEIGHT)]
    return Image(WIDTH, HEIGHT, b"".join(rows))


def read_ppm(blob):
    # P6 header: magic, width, height, maxval, each separated by whitespace.
    fields, pos = [], 0
    while len(fields) < 4:
        while blob[pos:pos + 1].isspace():
            pos += 1
        if blob[pos:pos + 1] == b"#":
            pos = blob.index(b"\n", pos)
            continue
        start = pos
        while not blob[pos:pos + 1].isspace():
            pos += 1
        fields.append(blob[start:pos])
    check(fields[0] == b"P6" and fields[3] == b"255", "unexpected picture format")
    width, height = int(fields[1]), int(fields[2])
    return Image(width, height, blob[pos + 1:pos + 1 + width * height * 3])


def near(a, b, tolerance=24):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


class Font:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.bytes = f.read(4096).ljust(4096, b"\0")

    def ink(self, x, y, text):
        """Screen pixels (column, row from the top) that drawing `text` at overlay (x, y)
        sets: strings start 10 to the right, glyph cells advance 10, the bitmap's lowest
        row lies 2 below y and its top row 13 above it."""
        pixels = []
        for k, ch in enumerate(text.encode("latin-1")):
            for row in range(16):
                bits = self.bytes[ch * 16 + row]
                for bit in range(8):
                    if bits & (0x80 >> bit):
                        pixels.append((int(x) + 10 + 10 * k + bit, HEIGHT - 1 - (int(y) + 13 - row)))
        return pixels


class Game:
    def __init__(self, args, workdir):
        self.args, self.workdir, self.proc, self.window = args, workdir, None, None
        self.wine = getattr(args, "wine", None)
        self.words = []  # what the game is started with

    def command(self):
        return (["wine", self.args.game] if self.wine else [self.args.game]) + self.words

    def environment(self):
        return pinned_environment(wine_environment(self.wine) if self.wine else dict(os.environ))

    def start(self):
        self.err = open(os.path.join(self.workdir, "stderr.txt"), "wb")
        self.proc = subprocess.Popen(self.command(), cwd=self.workdir, env=self.environment(),
                                     stdout=subprocess.DEVNULL, stderr=self.err)

    def stderr(self):
        self.err.flush()
        with open(os.path.join(self.workdir, "stderr.txt"), "rb") as f:
            text = f.read().decode("latin-1")
        return debugger_text(text) if self.wine else text

    # Generous: on a loaded machine software GL and a busy Xvfb can take a while.
    def find(self, name, visible=True, timeout=40.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            cmd = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + ["--name", name]
            found = run(*cmd).stdout.split()
            if found:
                return found[0].decode()
            if self.proc.poll() is not None:
                return None
            time.sleep(0.1)
        return None

    def wait_window(self):
        """Waits for the window and for the title's lines on it."""
        self.window = self.find("^%s$" % TITLE)
        check(self.window is not None or not self.running(),
              "no game window within 40 s, the game still running")
        check(self.window is not None, "the game window did not show; the game exited with"
              " %s (stderr: %s)" % (self.proc.returncode, self.stderr()))
        if self.wine:
            focus_window(self.window, self.proc)
        return self.wait_for(lambda image: holds(title_lines, image, self.font), "the title")

    def wait_for(self, shows, what, timeout=20.0):
        """The first picture for which shows(picture) holds; a failure naming `what` when none
        comes within `timeout` seconds or the game ends."""
        deadline = time.time() + timeout
        while True:
            image = self.shot()
            if shows(image):
                return image
            check(self.running(), "the game ended (code %s) before %s showed"
                  % (self.proc.returncode, what))
            if time.time() > deadline:
                image.save(os.path.join(self.workdir, "last.ppm"))
                raise Failure("%s did not show within %.0f s (last picture: last.ppm)"
                              % (what, timeout))
            time.sleep(0.05)

    def wait_frames(self, count=3, timeout=20.0):
        """Waits until the picture has changed `count` times: frames drawn after what was
        sent before, which the game has by then taken from its queue."""
        last = self.shot()
        for _ in range(count):
            last = self.wait_for(lambda image, seen=last: difference(seen, image) > 0,
                                 "a new frame", timeout)
        return last

    def wait_play(self):
        """Waits for play's picture: the minimap with the scores."""
        return self.wait_for(lambda image: holds(check_minimap, image), "the minimap")

    def xdotool(self, *args):
        """Runs xdotool on the game's window. A key that ends the game can take the window
        away under xdotool: a game that ends within two seconds is left to the caller's
        checks of its exit; one that runs on is judged by refused."""
        done = run("xdotool", *args)
        if done.returncode != 0:
            deadline = time.time() + 2.0
            while self.running() and time.time() < deadline:
                time.sleep(0.05)
            if not self.running():
                # A key that ended the game took its window with it before xdotool sent the
                # key's release: the X server holds the key down, and a game started later
                # on this display would take it as pressed once its window has focus.
                if args[0] == "key" and args[1:2] == ("--window",):
                    run("xdotool", "keyup", *args[3:])
                return
            refused("xdotool %s failed" % args[0], done.stderr.decode("latin-1").strip(),
                    self.window, self.proc)

    def key(self, *keys):
        self.xdotool("key", "--window", self.window, *keys)

    def keydown(self, key):
        self.xdotool("keydown", "--window", self.window, key)

    def keyup(self, key):
        self.xdotool("keyup", "--window", self.window, key)

    def viewable(self):
        return viewable(self.window)

    def read_window(self):
        """The window's picture as import gives it. Given a window that no longer exists,
        import waits for a window to be picked: when the game has ended, that says so."""
        try:
            return run("import", "-window", self.window, "-depth", "8", "ppm:-")
        except Failure:
            check(self.running(), "the game ended (code %s) while its window was read; its"
                  " standard error: %s" % (self.proc.returncode, self.stderr()))
            raise

    def shot(self, name=None):
        for _ in range(3):
            out = self.read_window()
            if out.returncode == 0 or not self.running():
                break
            time.sleep(0.2)
        check(out.returncode == 0 or self.running(), "the window went away (the game exited"
              " with %s)" % self.proc.returncode)
        if out.returncode != 0:
            # The tool's own failure only while the window is up and has been drawing;
            # a running game whose window cannot be read has failed.
            check(getattr(self, "drawn", False) and self.viewable(),
                  "the running game's window cannot be read: %s" % out.stderr.decode("latin-1"))
            raise HarnessMiss("import could not read the window, which is up and drawing: %s"
                              % out.stderr.decode("latin-1"))
        self.drawn = True
        image = read_ppm(out.stdout)
        if self.wine:
            image = client_area(image)
        check((image.width, image.height) == (WIDTH, HEIGHT),
              "window is %dx%d" % (image.width, image.height))
        if name:
            image.save(os.path.join(self.workdir, name + ".ppm"))
        return image

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=30.0):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def close_request(window):
    """What a desktop's close button sends: a WM_DELETE_WINDOW client message."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(Event)]
    display = x11.XOpenDisplay(None)
    check(display, "cannot open the display")
    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = int(window)
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.l[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, int(window), 0, 0, ctypes.byref(event))
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XFlush(display)
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay(display)


# --- what the screen should show -------------------------------------------------------

def check_text(image, font, x, y, text, colour=WHITE):
    pixels = font.ink(x, y, text)
    check(pixels, "the font has no ink for %r" % text)
    wrong = [(px, py, image.at(px, py)) for px, py in pixels if image.at(px, py) != colour]
    check(not wrong, "%r at (%d, %d): %d of %d ink pixels are not %s, e.g. %s"
          % (text, x, y, len(wrong), len(pixels), colour, wrong[:3]))


def title_lines(image, font):
    check_text(image, font, 550, 10, "V1.2")
    check_text(image, font, 0, 10, "PRESS A KEY TO BEGIN (D FOR DEMO)")


def holds(check_of, *args):
    try:
        check_of(*args)
        return True
    except Failure:
        return False


def panel_fraction(image):
    total = 200 * 200
    return image.count(25, 25, 225, 225, lambda p: p == PANEL) / total


def check_minimap(image):
    frac = panel_fraction(image)
    check(frac > 0.9, "minimap panel covers only %.0f%% of its place" % (100 * frac))
    # Its edges: grey just inside (or a rider's wall drawn along the arena's edge), not just
    # outside.
    for x, y in [(25, 120), (224, 120), (120, 25), (120, 224)]:
        check(image.at(x, y) in [PANEL] + RIDER_COLOURS,
              "panel edge (%d, %d) is %s" % (x, y, image.at(x, y)))
    outside = image.count(14, 60, 24, 220, lambda p: p == PANEL) + \
        image.count(226, 60, 236, 220, lambda p: p == PANEL)
    check(outside < 50, "the grey panel reaches beyond x 25..225 (%d pixels)" % outside)


def check_scores(image):
    # Five riders: scores at x 0, 150, 300, 450 and 600 (text from 10 to the right), y 434.
    for i, colour in enumerate(RIDER_COLOURS):
        x0 = i * 150 + 10
        n = image.count(x0, HEIGHT - 1 - 447, x0 + 30, HEIGHT - 432,
                        lambda p, c=colour: p == c)
        check(n >= 5, "no score in rider %d's colour %s at x %d" % (i, colour, x0))


def horizon(image):
    """The first row from the top where most of the row is floor."""
    for y in range(0, HEIGHT, 2):
        if image.count(0, y, WIDTH, y + 1, lambda p: p == FLOOR) > WIDTH // 2:
            return y
    return HEIGHT


def difference(a, b):
    n = 0
    for i in range(0, len(a.data), 3 * 7):
        if a.data[i:i + 3] != b.data[i:i + 3]:
            n += 1
    return n / (len(a.data) / (3 * 7))


# --- the cases -----------------------------------------------------------------------------

def make_pattern_jpeg(path, size="640x480", quadrants=True):
    """Red, green, blue and yellow quadrants (top left, top right, bottom left, bottom
    right) above a black band where the title's lines go."""
    w, h = (int(v) for v in size.split("x"))
    out = run("convert", "-size", "%dx%d" % (w, h), "xc:black",
              "-fill", "#ff0000", "-draw", "rectangle 0,0 %d,%d" % (w // 2 - 1, h // 2 - 1),
              "-fill", "#00ff00", "-draw", "rectangle %d,0 %d,%d" % (w // 2, w - 1, h // 2 - 1),
              "-fill", "#0000ff", "-draw", "rectangle 0,%d %d,%d" % (h // 2, w // 2 - 1, h - 41),
              "-fill", "#ffff00", "-draw", "rectangle %d,%d %d,%d" % (w // 2, h // 2, w - 1, h - 41),
              "-type", "TrueColor", "-quality", "95", "jpeg:" + path)
    check(out.returncode == 0, "convert failed: %s" % out.stderr.decode())


QUADRANTS = [((160, 120), (255, 0, 0)), ((480, 120), (0, 255, 0)),
             ((160, 340), (0, 0, 255)), ((480, 340), (255, 255, 0))]


def pattern_shown(image):
    return [near(image.at(x, y), c, 40) for (x, y), c in QUADRANTS]


def case_title_picture(game, font):
    make_pattern_jpeg(os.path.join(game.workdir, "vask.jpg"))
    game.start()
    image = game.wait_window()
    image.save(os.path.join(game.workdir, "title.ppm"))
    check(all(pattern_shown(image)), "the picture is not shown upright: quadrant colours %s"
          % [image.at(x, y) for (x, y), _ in QUADRANTS])
    # Its first column at the left edge, its top row at the top.
    check(near(image.at(0, 0), (255, 0, 0), 40) and near(image.at(639, 0), (0, 255, 0), 40),
          "corners %s %s" % (image.at(0, 0), image.at(639, 0)))
    title_lines(image, font)
    check(panel_fraction(image) < 0.01, "the minimap shows on the title")
    time.sleep(0.5)
    check(difference(image, game.shot()) == 0, "the title changes while no key is pressed")


def case_play(game, font):
    game.start()
    game.wait_window()
    game.key("g")
    image = game.wait_play()
    image.save(os.path.join(game.workdir, "play.ppm"))
    check_scores(image)
    # The help is hidden until F1 is held.
    help_ink = font.ink(0, 414, "Arrow keys: Turn/Accel")
    check(sum(image.at(x, y) == WHITE for x, y in help_ink) < len(help_ink) // 2,
          "help shows without F1")
    # Frames keep coming: the match moves on by itself.
    game.wait_for(lambda later: difference(image, later) > 0, "a change of the picture in play")
    game.key("q")
    check(game.wait_exit() == 0, "q did not end the game with code 0")


def case_help(game, font):
    game.start()
    game.wait_window()
    game.key("g")
    game.wait_play()
    game.keydown("F1")

    def help_lines(image):
        check_text(image, font, 0, 414, "Arrow keys: Turn/Accel")
        check_text(image, font, 0, 399, "Z:Look left  X:Look right  C:Look back")
        check_text(image, font, 0, 384, "V:Change view")
    game.wait_for(lambda image: holds(help_lines, image), "the three help lines")
    game.keyup("F1")
    ink = font.ink(0, 399, "Z:Look left  X:Look right  C:Look back")
    game.wait_for(lambda image: sum(image.at(x, y) == WHITE for x, y in ink) < len(ink) // 2,
                  "the picture without the help after F1 is released")
    check(game.running(), "F1 ended the game")


def case_views(game, font):
    game.start()
    game.wait_window()
    game.key("g")
    game.wait_play()
    rows = []
    for i in range(5):
        if i:
            game.key("v")
            game.wait_frames()
        image = game.wait_play()
        image.save(os.path.join(game.workdir, "view%d.ppm" % i))
        rows.append(horizon(image))
    check(game.running(), "V ended the game")
    # First person looks level (horizon at the middle); the chase views look down a little
    # (horizon higher up); the high view looks steeply down; four presses come back.
    print("horizon rows of the views: %s" % rows)
    check(rows[0] >= 200, "first-person horizon at row %d (%s)" % (rows[0], rows))
    check(rows[1] < rows[0] - 30 and rows[2] < rows[0] - 30,
          "chase views do not look down: horizons %s" % rows)
    check(rows[3] < rows[1] and rows[3] < rows[2], "high view not steeper: horizons %s" % rows)
    # Back in first person the horizon is level again, or hidden (480) when the rider has
    # meanwhile run up to a wall that now fills the view; the chase and high views never
    # put it that low.
    check(rows[4] >= 200, "four presses of V do not come back: %s" % rows)


def case_f8(game, font):
    game.start()
    game.wait_window()
    game.key("g")
    before = horizon(game.wait_play())
    game.key("F8")
    game.wait_frames()
    check(game.running(), "F8 ended the game")
    image = game.wait_play()
    # Still first person: a level horizon, or none when a wall has come to fill the view.
    after = horizon(image)
    check(before >= 200 and after >= 200, "F8 changed the view (horizons %d, %d)" % (before, after))
    game.key("q")
    check(game.wait_exit() == 0, "q after F8 did not end the game with code 0")


def case_quit_keys(game, font):
    """System keys do not quit; an unassigned key does, with code 0. F10 puts the window
    into no menu mode, where the next Escape would only leave that mode."""
    game.start()
    game.wait_window()
    game.key("g")
    game.wait_play()
    game.key("alt+x", "F10")
    game.wait_frames()
    check(game.running(), "a system key ended the game")
    game.key("Escape")
    check(game.wait_exit(10.0) == 0, "Escape did not end the game with code 0 (menu mode?)")


def case_close(game, font):
    game.start()
    game.wait_window()
    game.key("g")
    game.wait_play()
    close_request(game.window)
    code = game.wait_exit()
    check(code == 0, "closing the window did not end the game with code 0 (code %s)" % code)


def case_close_title(game, font):
    """Alt+F4 is the desktop's close: it ends the game even from the title."""
    game.start()
    game.wait_window()
    game.key("alt+F4")
    check(game.wait_exit() == 0, "Alt+F4 did not end the game with code 0")


def case_attract(game, font):
    game.start()
    game.wait_window()
    game.key("d")
    # The attract mode's first picture: the scores, and no minimap.
    first = game.wait_for(lambda image: holds(check_scores, image), "the scores")
    first.save(os.path.join(game.workdir, "attract1.ppm"))
    frac = panel_fraction(first)
    check(frac < 0.05, "the minimap shows in attract mode (%.0f%%)" % (100 * frac))

    # The tour changes shot every 200 frames; some shots hold the eye still and only turn,
    # so it may take a while for the view to move far.
    def moved(later):
        check(panel_fraction(later) < 0.05, "the minimap shows in attract mode")
        return sum(first.data[k:k + 3] != later.data[k:k + 3]
                   for k in range(0, len(first.data), 3)) > 2000
    game.wait_for(moved, "an attract view that differs in over 2000 pixels", timeout=30.0)
    game.key("q")
    check(game.wait_exit() == 0, "q did not end attract mode with code 0")


def verify_record(game, path, program=None):
    """Runs --replay PATH --verify to its end, by this game or by `program` (the other
    build's, native): its exit code and its digest lines."""
    command = [program] if program else game.command()[:len(game.command()) - len(game.words)]
    env = dict(os.environ) if program else game.environment()
    done = subprocess.run(command + ["--replay", path, "--verify"], cwd=game.workdir, env=env,
                          capture_output=True, timeout=120)
    lines = [l for l in done.stdout.decode("latin-1").splitlines() if l.startswith("step ")]
    return done.returncode, lines


def case_record_replay(game, font):
    """A match played with --record replays to the digests it recorded, with and without a
    window, and a record changed in one digest fails its verification at that step."""
    record = os.path.join(game.workdir, "match.rec")
    game.words = ["--record", record]
    game.start()
    game.wait_window()
    game.key("g")
    game.wait_play()
    for keys in (["Left"], ["Up"], ["Right"], ["Down"], ["Left", "Left"]):
        game.key(*keys)
        game.wait_frames(30)
    game.key("q")
    check(game.wait_exit() == 0, "q did not end the recorded game with code 0")
    check(os.path.exists(record), "no record was written")

    code, lines = verify_record(game, record)
    check(code == 0, "the record does not verify (exit %s): %s" % (code, lines[-3:]))
    check(len(lines) >= 4, "too few digests for over four seconds of play: %s" % lines)
    check(all(re.fullmatch(r"step \d+ digest [0-9a-f]{16}", l) for l in lines), lines[:3])
    if getattr(game.args, "other_game", None):
        # The other build plays the same record to the same bits.
        other_code, other_lines = verify_record(game, record, game.args.other_game)
        check(other_code == 0 and other_lines == lines,
              "the other build's verification differs (exit %s): %s against %s"
              % (other_code, other_lines[-2:], lines[-2:]))

    # One digest changed: verification stops there with 1.
    with open(record, "rb") as f:
        blob = bytearray(f.read())
    blob[-1] ^= 0x01  # the high byte of the last digest
    changed = os.path.join(game.workdir, "changed.rec")
    with open(changed, "wb") as f:
        f.write(blob)
    code, _ = verify_record(game, changed)
    check(code == 1, "a changed digest verified (exit %s)" % code)

    # The replay in a window: play's picture, a view change, and any other key ends it.
    game.words = ["--replay", record]
    game.start()
    game.window = game.find("^%s$" % TITLE)
    check(game.window is not None, "the replay's window did not show (%s)" % game.stderr())
    game.wait_play()
    # The replay may have shown its last step by now and hold it: the new view still shows.
    before = game.shot()
    game.key("v")
    game.wait_for(lambda image: difference(before, image) > 0, "the next view")
    check(game.running(), "a view key ended the replay")
    game.key("Left")
    check(game.wait_exit() == 0, "a steering key did not end the replay with code 0")


def case_title_uncovered(game, font):
    """A window passing over the title takes the title's pixels with it on a desktop
    without a compositor: the game draws the title again once it is uncovered."""
    make_pattern_jpeg(os.path.join(game.workdir, "vask.jpg"))
    game.start()
    game.wait_window()

    def whole_title(image):
        return all(pattern_shown(image)) and holds(title_lines, image, font)

    title = game.wait_for(whole_title, "the whole title")
    geometry = dict(line.split("=") for line in run(
        "xdotool", "getwindowgeometry", "--shell", game.window).stdout.decode().split())
    cover = subprocess.Popen(
        ["xmessage", "-geometry", "%(WIDTH)sx%(HEIGHT)s+%(X)s+%(Y)s" % geometry,
         "-bg", "black", "-fg", "black", "cover"],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        game.wait_for(lambda image: not any(pattern_shown(image)), "the covered title")
    finally:
        cover.kill()
        cover.wait()
    uncovered = game.wait_for(whole_title, "the title drawn again once uncovered")
    check(difference(title, uncovered) == 0, "the title drawn again differs from the first")
    close_request(game.window)
    code = game.wait_exit()
    check(code == 0, "closing the window did not end the game with code 0 (code %s)" % code)


def find_mapped_by_tree(name, game, timeout=40.0):
    """A viewable top-level window of this exact name. (SDL's message box names itself in
    UTF-8 only, which xdotool's search does not read.)"""
    deadline = time.time() + timeout
    while time.time() < deadline:
        tree = run("xwininfo", "-root", "-children").stdout.decode("utf-8", "replace")
        for line in tree.splitlines():
            parts = line.split()
            if parts and parts[0].startswith("0x") and ('"%s":' % name) in line:
                info = run("xwininfo", "-id", parts[0]).stdout.decode()
                if "IsViewable" in info:
                    return str(int(parts[0], 16))
        if game.proc.poll() is not None:
            return None
        time.sleep(0.1)
    return None


def case_no_model(game, font):
    os.remove(os.path.join(game.workdir, "vask3.wrl"))
    game.start()
    box = find_mapped_by_tree("Error", game)
    check(box is not None, "no message box (stderr: %s)" % game.stderr())
    check("Could not open .WRL file" in game.stderr(), "stderr: %s" % game.stderr())
    check(game.find("^%s$" % TITLE, visible=True, timeout=0.5) is None,
          "the game window shows before the model is read")
    check(game.running(), "the game did not wait for the box")
    if game.wine:
        focus_window(box, game.proc)  # Wine's box takes keys only once it is the foreground
    game.window = box
    game.key("Return")
    check(game.wait_exit() == 1, "exit code after the missing model is not 1")


# A termination request (SIGTERM) closes the window, and a closed window ends the game
# with code 0, as a quit key does.
TERMINATED_EXIT = 0


def terminate(game, what):
    """Sends SIGTERM and checks that the game ends as it does for a closed window. Generous:
    only a game that goes on waiting fails."""
    game.proc.terminate()
    code = game.wait_exit(timeout=15.0)
    check(code is not None, "SIGTERM did not end the game %s" % what)
    check(code == TERMINATED_EXIT, "exit code %s after SIGTERM %s, not %s"
          % (code, what, TERMINATED_EXIT))


def case_terminate_title(game, font):
    game.start()
    game.wait_window()
    terminate(game, "at the title")


def case_terminate_box(game, font):
    os.remove(os.path.join(game.workdir, "vask3.wrl"))
    game.start()
    box = find_mapped_by_tree("Error", game)
    check(box is not None, "no message box (stderr: %s)" % game.stderr())
    terminate(game, "with its box up")
    deadline = time.time() + 10.0
    while "IsViewable" in run("xwininfo", "-id", box).stdout.decode() and time.time() < deadline:
        time.sleep(0.1)
    check("IsViewable" not in run("xwininfo", "-id", box).stdout.decode(),
          "the box stayed up after the game ended")


def case_picture_missing(game, font):
    """Without its picture the title shows its lines alone, the debugger output says so, and
    the game plays on."""
    os.remove(os.path.join(game.workdir, "vask.jpg"))
    game.start()
    image = game.wait_window()
    image.save(os.path.join(game.workdir, "title.ppm"))
    check(not any(pattern_shown(image)), "a picture is shown")
    check("Could not open JPEG\n" in game.stderr(), "stderr: %s" % game.stderr())
    game.key("g")
    game.wait_play()
    game.key("q")
    check(game.wait_exit() == 0, "q did not end the game with code 0")


CASES = {
    "title_picture": case_title_picture,
    "play": case_play,
    "help": case_help,
    "views": case_views,
    "f8": case_f8,
    "quit_keys": case_quit_keys,
    "close": case_close,
    "close_title": case_close_title,
    "title_uncovered": case_title_uncovered,
    "attract": case_attract,
    "record_replay": case_record_replay,
    "no_model": case_no_model,
    "terminate_title": case_terminate_title,
    "terminate_box": case_terminate_box,
    "picture_missing": case_picture_missing,
}


def make_workdir(data, prefix):
    """A fresh working directory holding the game's files from `data` and our own match."""
    workdir = tempfile.mkdtemp(prefix=prefix)
    for name in DATA_FILES:
        src = os.path.join(data, name)
        if os.path.exists(src):
            shutil.copy(src, workdir)
    with open(os.path.join(workdir, "setup.txt"), "w") as f:
        f.write(MATCH)
    return workdir


def run_case(args, cases, make_game, prefix):
    """Runs case `args.case` of `cases` on a game made by make_game(args, workdir) in a fresh
    working directory, and reports it; the directory stays when the case fails or --keep."""
    if not os.environ.get("DISPLAY"):
        print("FAILED: no DISPLAY: run under tests/support/with_xvfb.sh", file=sys.stderr)
        return 2
    workdir = make_workdir(args.data, "%s%s_" % (prefix, args.case))
    font = Font(os.path.join(args.data, "flori.fnt"))
    game = make_game(args, workdir)
    game.font = font
    print("match seed %s (VASK_E2E_SEED=%s replays it)" % (match_seed(), match_seed()))
    try:
        cases[args.case](game, font)
    except Failure as failure:
        miss = "%s: " % HARNESS_MISS if isinstance(failure, HarnessMiss) else ""
        where = "" if miss else stacks_of(game.proc)
        print("%sFAILED %s: %s (files in %s)%s" % (miss, args.case, failure, workdir, where),
              file=sys.stderr)
        game.stop()
        return 1
    game.stop()
    if not args.keep:
        shutil.rmtree(workdir, ignore_errors=True)
    print("passed %s" % args.case)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--wine", metavar="BUILD", help="run the Windows program under Wine")
    parser.add_argument("--keep", action="store_true", help="keep the working directory")
    parser.add_argument("--other-game", metavar="PROGRAM",
                        help="the other build's program (native), to verify records with")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    args.game = os.path.abspath(args.game)  # the game starts in its own working directory
    return run_case(args, CASES, Game, "vask_e2e_")


if __name__ == "__main__":
    sys.exit(main())
