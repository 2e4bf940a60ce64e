#!/usr/bin/env python3
"""Several real games in one room on a local relay, on the current X display.

Usage: room_e2e.py --game PATH --relay PATH --data DIR CASE
Each game runs in a working directory of its own with --record, and the checks hold only
what is the same by construction: every record verifies, the records agree on every digest
the games share, the relay never saw two digests differ, and what the games say in words.
Scores, places and timings are never compared.
"""
import argparse
import base64
import os
import re
import signal
import socket
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import vask_e2e as e2e  # noqa: E402
from vask_e2e import check, Failure  # noqa: E402

# The relay's ticks in these tests: ten times the real pace, so a match of thousands of
# steps takes seconds. The games catch up by running several steps a frame.
FAST_STEPS = "600"
WIDTH = e2e.WIDTH


class Relay:
    def __init__(self, program, workdir, *flags):
        self.log = open(os.path.join(workdir, "relay.txt"), "wb")
        self.proc = subprocess.Popen([program, "--listen", "127.0.0.1:0"] + list(flags),
                                     stdout=subprocess.PIPE, stderr=self.log)
        line = self.proc.stdout.readline().decode("latin-1")
        found = re.search(r"(\d+\.\d+\.\d+\.\d+):(\d+)", line)
        check(found, "the relay did not say where it listens: %r" % line)
        self.port = int(found.group(2))
        self.url = "ws://127.0.0.1:%d" % self.port

    def said(self):
        self.log.flush()
        with open(self.log.name, "rb") as f:
            return f.read().decode("latin-1")

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class Person(e2e.Game):
    """One game in the room, found by its process: every game's window has the same title."""

    def __init__(self, args, workdir, words, program=None, wine=None):
        super().__init__(args, workdir)
        self.wine = wine
        if program:
            self.args = argparse.Namespace(**dict(vars(args), game=program))
        self.record = os.path.join(workdir, "match.rec")
        self.words = words + ["--record", self.record]

    def start(self):
        self.err = open(os.path.join(self.workdir, "stderr.txt"), "wb")
        self.out = open(os.path.join(self.workdir, "stdout.txt"), "wb")
        self.proc = subprocess.Popen(self.command(), cwd=self.workdir, env=self.environment(),
                                     stdout=self.out, stderr=self.err)

    def find(self, name, visible=True, timeout=40.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            cmd = ["xdotool", "search"] + (["--onlyvisible"] if visible else [])
            if self.wine:
                # Wine's windows carry another process's number: the new window is the one
                # no other person has.
                taken = {p.window for p in self.others}
                found = [w for w in e2e.run(*cmd, "--name", name).stdout.split()
                         if w.decode() not in taken and self.big_enough(w.decode())]
            else:
                found = e2e.run(*cmd, "--all", "--pid", str(self.proc.pid), "--name",
                                name).stdout.split()
            if found:
                return found[0].decode()
            if self.proc.poll() is not None:
                return None
            time.sleep(0.1)
        return None

    @staticmethod
    def big_enough(window):
        """Wine makes passing windows of the game's title too; the game's holds its frame."""
        geometry = e2e.run("xdotool", "getwindowgeometry", window).stdout.decode()
        size = re.search(r"Geometry: (\d+)x(\d+)", geometry)
        return size and int(size.group(1)) >= WIDTH and int(size.group(2)) >= e2e.HEIGHT

    def said(self):
        self.out.flush()
        with open(self.out.name, "rb") as f:
            return f.read().decode("latin-1")

    def room_code(self, timeout=40.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = re.search(r"^room ([0-9A-Z]{8})\r?$", self.said(), re.M)
            if found:
                return found.group(1)
            check(self.running(), "the game ended before it was in a room: %s" % self.stderr())
            time.sleep(0.1)
        raise Failure("no room within %.0f s: %s" % (timeout, self.stderr()))

    def wait_stderr(self, text, timeout=40.0):
        deadline = time.time() + timeout
        while text not in self.stderr():
            check(time.time() < deadline, "the game did not say %r: %s" % (text, self.stderr()))
            time.sleep(0.1)


def verified(game, record, program=None):
    """Every digest of the record, as --verify prints them; the verification must pass."""
    code, lines = e2e.verify_record(game, record, program)
    check(code == 0, "%s does not verify (exit %s): %s" % (record, code, lines[-2:]))
    return dict(re.fullmatch(r"step (\d+) digest ([0-9a-f]{16})", l).groups() for l in lines)


def agree(records, upto=None):
    """The records' digests agree at every step they share (up to `upto`); how many."""
    steps = set.intersection(*(set(r) for r in records))
    if upto is not None:
        steps = {s for s in steps if int(s) <= upto}
    for s in steps:
        values = {r[s] for r in records}
        check(len(values) == 1, "the games differ at step %s: %s" % (s, values))
    return len(steps)


class RawClient:
    """A WebSocket client that says what a test wants, well formed or not."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=20)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall(("GET / HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nUpgrade: websocket\r\n"
                           "Connection: Upgrade\r\nSec-WebSocket-Key: %s\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n" % (port, key)).encode())
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = self.sock.recv(4096)
            check(chunk, "the relay closed during the handshake")
            head += chunk
        check(b" 101 " in head.split(b"\r\n")[0], "no upgrade: %r" % head[:80])
        self.pending = head.split(b"\r\n\r\n", 1)[1]

    def send(self, payload, opcode=2):
        mask = os.urandom(4)
        n = len(payload)
        if n < 126:
            head = struct.pack("!BB", 0x80 | opcode, 0x80 | n)
        elif n < 65536:
            head = struct.pack("!BBH", 0x80 | opcode, 0x80 | 126, n)
        else:
            head = struct.pack("!BBQ", 0x80 | opcode, 0x80 | 127, n)
        body = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        try:
            self.sock.sendall(head + mask + body)
        except OSError:
            pass  # already closed by the relay: what the caller checks next

    def _take(self, n):
        while len(self.pending) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError
            self.pending += chunk
        data, self.pending = self.pending[:n], self.pending[n:]
        return data

    def receive(self):
        """The next message's (opcode, payload); EOFError once the connection is gone."""
        b0, b1 = self._take(2)
        n = b1 & 0x7f
        if n == 126:
            n = struct.unpack("!H", self._take(2))[0]
        elif n == 127:
            n = struct.unpack("!Q", self._take(8))[0]
        return b0 & 0x0f, self._take(n)

    def refusal(self, timeout=20.0):
        """Reads until the relay refuses us and closes: the refusal's reason and text."""
        self.sock.settimeout(timeout)
        refused = None
        try:
            while True:
                opcode, payload = self.receive()
                if opcode == 2 and payload[:1] == b"\x12":
                    length = struct.unpack("<H", payload[2:4])[0]
                    refused = (payload[1], payload[4:4 + length].decode("latin-1"))
                if opcode == 8:
                    break
        except (EOFError, ConnectionResetError):
            pass
        except socket.timeout:
            raise Failure("the relay neither refused nor closed within %.0f s" % timeout)
        return refused

    def close(self):
        self.sock.close()


def join_message(code, version=1):
    return b"\x02" + struct.pack("<H", version) + code.encode()


def workdir_for(args, name):
    return e2e.make_workdir(args.data, "vask_room_%s_%s_" % (args.case, name))


def start_person(args, name, words, **kw):
    game = Person(args, workdir_for(args, name), words, **kw)
    game.font = args.font
    game.others = list(args.people)
    args.people.append(game)
    game.start()
    game.wait_window()
    # Side by side on a wide screen: a window another covers cannot be read.
    game.xdotool("windowmove", game.window, str(WIDTH * (len(args.people) - 1)), "0")
    return game


def case_match(args):
    """Two people play from the start; a third drops in once the room is past step 5000;
    one leaves; a client sending malformed, oversized and flooding messages is cut off each
    time; then the relay dies, and the others play on alone and say so."""
    relay = args.relay_proc = Relay(args.relay, args.scratch, "--steps-per-second", FAST_STEPS)
    host = start_person(args, "host", ["--host", "--relay", relay.url])
    code = host.room_code()
    made = time.time()  # the room's step 0, near enough
    host.wait_for(lambda image: e2e.holds(e2e.check_text, image, args.font, 0, 455,
                                          "ROOM %s-%s" % (code[:4], code[4:])),
                  "the room's code on the title")
    guest = start_person(args, "guest", ["--join", code, "--relay", relay.url])
    guest.room_code()
    for game in (host, guest):
        game.key("g")
        game.wait_play()

    # Scripted play: both turn and speed up and slow down now and then.
    script = [["Left"], ["Up"], ["Right"], ["Down"], ["Left", "Right"]]
    for i in range(12):
        for game in (host, guest):
            game.key(*script[(i + (game is guest)) % len(script)])
        time.sleep(0.25)

    # The newcomer joins once the room has run 5000 steps (600 a second: about 8.5 s); the
    # check below holds it to its log having had them.
    while time.time() - made < 10:
        time.sleep(0.2)
    late = start_person(args, "late", ["--join", code, "--relay", relay.url])
    late.room_code()
    joined = re.search(r"in room \w+ from step (\d+)", late.stderr())
    check(joined and int(joined.group(1)) >= 5000,
          "the newcomer came in before step 5000: %s" % late.stderr()[-200:])
    late.key("g")
    late.wait_play()
    late.key("Left")

    # Someone who sends what no client would: each one is cut off alone.
    bad = [b"\x77garbage", b"\x04" + b"\x00" * 200, None, "text"]
    for what in bad:
        raw = RawClient(relay.port)
        raw.send(join_message(code))
        if what is None:
            raw.send(b"\x03")
            for _ in range(400):
                raw.send(b"\x04" + struct.pack("<I", 0) + b"\x01")  # a flood of turns
        elif what == "text":
            raw.send(b"hello", opcode=1)
        else:
            raw.send(what)
        refused = raw.refusal()
        check(refused is not None, "a client sending %r was not refused in words" % what)
        raw.close()

    guest.key("q")
    check(guest.wait_exit() == 0, "the guest did not leave with code 0")
    for game in (host, late):
        game.wait_frames(10)
        check(game.running(), "a person leaving ended another's game")

    relay.kill()
    for game in (host, late):
        game.wait_for(lambda image: e2e.holds(e2e.check_text, image, args.font, 0, 20,
                                              "THE RELAY IS GONE: PLAYING ON ALONE"),
                      "the notice that the relay is gone")
        game.key("Right")
        game.wait_frames(10)
        check(game.running(), "the game stopped with the relay")
    for game in (host, late):
        game.key("q")
        check(game.wait_exit() == 0, "a game alone did not end with code 0")

    said = relay.said()
    check("out of step" not in said, "the relay saw the games differ: %s" % said[-400:])
    host_steps = verified(host, host.record)
    guest_steps = verified(guest, guest.record)
    late_steps = verified(late, late.record)
    upto = max(int(s) for s in guest_steps)
    check(upto >= 5000, "the guest left before step 5000 (%d)" % upto)
    shared = agree([host_steps, guest_steps, late_steps], upto)
    check(shared >= 5000 // 60, "the records share only %d digests" % shared)


def case_refusals(args):
    """An unknown code, a full room and another protocol version are refused in words."""
    relay = args.relay_proc = Relay(args.relay, args.scratch)
    host = start_person(args, "host", ["--host", "--relay", relay.url])
    code = host.room_code()
    # e2e.MATCH has five riders: the room holds five people.
    fillers = []
    for _ in range(4):
        raw = RawClient(relay.port)
        raw.send(join_message(code))
        opcode, payload = raw.receive()
        check(payload[:1] == b"\x10", "a filler was not welcomed: %r" % payload[:8])
        fillers.append(raw)
    full = start_person(args, "full", ["--join", code, "--relay", relay.url])
    full.wait_stderr("the room is full")
    unknown = start_person(args, "unknown", ["--join", "ZZZZ-ZZZZ", "--relay", relay.url])
    unknown.wait_stderr("no room with that code")
    unknown.wait_for(lambda image: e2e.holds(e2e.check_text, image, args.font, 0, 455,
                                             "NO ROOM: NO ROOM WITH THAT CODE"),
                     "the refusal on the title")
    other = RawClient(relay.port)
    other.send(join_message(code, version=99))
    refused = other.refusal()
    check(refused is not None and refused[0] == 3, "another version was not refused: %s" % (refused,))
    for game in (full, unknown):
        game.key("g")
        game.wait_play()  # refused, the game plays offline
        game.key("q")
        check(game.wait_exit() == 0, "a refused game did not end with code 0")
    for raw in fillers:
        raw.close()
    host.key("g")
    host.wait_play()
    host.key("q")
    check(host.wait_exit() == 0, "the host did not end with code 0")


def case_builds(args):
    """The Linux program hosts and the Windows program joins: they play one match, and each
    one's record verifies on both builds with the same digests."""
    check(args.wine_game and args.wine, "this case needs --wine-game and --wine")
    relay = args.relay_proc = Relay(args.relay, args.scratch, "--steps-per-second", FAST_STEPS)
    host = start_person(args, "linux", ["--host", "--relay", relay.url])
    code = host.room_code()
    guest = start_person(args, "windows", ["--join", code, "--relay", relay.url],
                         program=args.wine_game, wine=args.wine)
    guest.room_code()
    for game in (host, guest):
        game.key("g")
        game.wait_play()
    script = [["Left"], ["Up"], ["Right"], ["Down"]]
    for i in range(8):
        for game in (host, guest):
            game.key(*script[(i + (game is guest)) % len(script)])
        time.sleep(0.25)
    for game in (guest, host):
        game.key("q")
        check(game.wait_exit() == 0, "a game did not end with code 0")
    said = relay.said()
    check("out of step" not in said, "the relay saw the builds differ: %s" % said[-400:])
    linux = verified(host, host.record, args.game)
    windows = verified(guest, guest.record)
    check(verified(host, guest.record, args.game) == windows,
          "the Linux program plays the Windows record to other digests")
    check(verified(guest, host.record) == linux,
          "the Windows program plays the Linux record to other digests")
    check(agree([linux, windows]) >= 10, "the builds' records share too few digests")


def case_three_builds(args):
    """The Linux program, the Windows program under Wine and the page in headless Chromium
    play one match as three people for two minutes of steps: every record verifies on both
    desktop builds, and all three agree on every digest."""
    check(args.wine_game and args.wine and args.site, "this case needs --wine-game, --wine and --site")
    relay = args.relay_proc = Relay(args.relay, args.scratch, "--steps-per-second", FAST_STEPS)
    host = start_person(args, "linux", ["--host", "--relay", relay.url])
    code = host.room_code()
    made = time.time()
    guest = start_person(args, "windows", ["--join", code, "--relay", relay.url],
                         program=args.wine_game, wine=args.wine)
    guest.room_code()
    page_record = os.path.join(args.scratch, "page.rec")
    page = subprocess.Popen([args.node, os.path.join(os.path.dirname(__file__), "..", "web", "page_person.cjs"),
                             args.site, args.npm, "--room", code, "--relay", relay.url,
                             "--record-out", page_record],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        for game in (host, guest):
            game.key("g")
            game.wait_play()
        line = page.stdout.readline().decode("latin-1")
        check(line.startswith("in room %s" % code), "the page did not come into the room: %r %s"
              % (line, page.stderr.read(2000) if page.poll() is not None else ""))
        # Two minutes of steps at 60 a second, played at ten times the pace.
        script = [["Left"], ["Up"], ["Right"], ["Down"]]
        i = 0
        while time.time() - made < 7200 / int(FAST_STEPS) + 2:
            for game in (host, guest):
                game.key(*script[(i + (game is guest)) % len(script)])
            i += 1
            time.sleep(0.3)
        page.stdin.write(b"stop\n")
        page.stdin.flush()
        out, err = page.communicate(timeout=120)
        check(page.returncode == 0 and b"saved" in out,
              "the page did not save its record: %s" % err.decode("latin-1")[-400:])
    finally:
        if page.poll() is None:
            page.kill()
    for game in (guest, host):
        game.key("q")
        check(game.wait_exit() == 0, "a game did not end with code 0")
    said = relay.said()
    check("out of step" not in said, "the relay saw the builds differ: %s" % said[-400:])
    records = {"linux": host.record, "windows": guest.record, "page": page_record}
    on_linux = {who: verified(host, rec, args.game) for who, rec in records.items()}
    on_windows = {who: verified(guest, rec) for who, rec in records.items()}
    for who in records:
        check(on_linux[who] == on_windows[who],
              "the %s record plays to other digests on Linux and on Windows" % who)
    shared = agree(list(on_linux.values()))
    check(shared >= 7200 // 60, "the three records share only %d digests" % shared)


CASES = {"match": case_match, "refusals": case_refusals, "builds": case_builds,
         "three_builds": case_three_builds}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--relay", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("--wine-game", help="the Windows program, for the builds case")
    parser.add_argument("--wine", metavar="BUILD", help="the Windows build folder (its prefix)")
    parser.add_argument("--site", help="the page's site folder, for the three_builds case")
    parser.add_argument("--npm", help="the page tests' npm folder (puppeteer-core)")
    parser.add_argument("--node", default="node")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    args.game = os.path.abspath(args.game)
    args.font = e2e.Font(os.path.join(args.data, "flori.fnt"))
    args.people, args.relay_proc = [], None
    args.scratch = workdir_for(args, "relay")
    print("match seed %s" % e2e.match_seed())
    try:
        CASES[args.case](args)
    except Failure as failure:
        print("FAILED %s: %s (files in %s and the vask_room_%s_* beside it)"
              % (args.case, failure, args.scratch, args.case), file=sys.stderr)
        for game in args.people:
            print("  %s: %s" % (game.workdir, game.stderr()[-300:]), file=sys.stderr)
        return 1
    finally:
        for game in args.people:
            game.stop()
        if args.relay_proc:
            args.relay_proc.kill()
    print("passed %s" % args.case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
