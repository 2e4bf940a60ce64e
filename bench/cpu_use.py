"""CPU time and resident memory of the real game at the title, in paced play and in the
attract mode.

Usage: cpu_use.py GAME DATA SECONDS RUNS [EMPTY]   (on a display of its own: run under
with_xvfb.sh)
A GAME ending in .exe is the Windows program, run under Wine with the prefix of the build
folder that holds it (build-windows/app/vask.exe: build-windows/wine), silent; its process is
the one Wine starts, so the same /proc figures hold.
Starts GAME RUNS times, each in a temporary copy of DATA; waits for its window and the
title, reads the process's user and system time from /proc over SECONDS, presses G to
start play and reads it again over SECONDS; then starts it again and does the same with D,
the attract mode. Prints "title", "play" and "attract" lines,
"<phase> <percent> <drawing> <resident KiB>", in percent of one core: the whole process
(every thread), then the threads that draw the frames (the main thread, which runs the
message loop, and llvmpipe's rasterizer threads); the rest is the sound mixer, the music
and the timers. The resident set is read at the end of the phase.
EMPTY, the empty SDL2 GL window (vask_bench_empty_window), is the baseline: it is started
once a run with "stay", which clears and swaps it 60 times a second, and read over SECONDS
as an "empty <resident KiB> <percent>" line (the whole process).
"""
import os, shutil, subprocess, sys, tempfile, time

TITLE = "Vask Light Cycles by Velmor"
TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(stat):
    with open(stat) as f:
        text = f.read()
    fields = text.rsplit(")", 1)[1].split()
    name = text[text.index("(") + 1:text.rindex(")")]
    return name, (int(fields[11]) + int(fields[12])) / TICK  # utime and stime, fields 14 and 15


def readings(pid):
    """CPU seconds of the whole process and of its drawing threads so far."""
    drawing = 0.0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            name, seconds = cpu_seconds(f"/proc/{pid}/task/{tid}/stat")
        except (FileNotFoundError, ProcessLookupError):
            continue  # a thread that has just ended
        if tid == str(pid) or name.startswith("llvmpipe-"):
            drawing += seconds
    return cpu_seconds(f"/proc/{pid}/stat")[1], drawing


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def share(proc, seconds):
    """Percent of one core the process, and its drawing threads, used over the next
    `seconds` of wall time, and its resident set at the end."""
    (all0, draw0), t0 = readings(proc.pid), time.monotonic()
    time.sleep(seconds)
    (all1, draw1), t1 = readings(proc.pid), time.monotonic()
    rss = resident_kib(proc.pid)
    if proc.poll() is not None:
        sys.exit(f"cpu_use: the game ended (exit code {proc.returncode})")
    return f"{100.0 * (all1 - all0) / (t1 - t0):.2f} {100.0 * (draw1 - draw0) / (t1 - t0):.2f} {rss}"


def find_window(proc, title):
    window, deadline = None, time.monotonic() + 40
    while not window and time.monotonic() < deadline and proc.poll() is None:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                               capture_output=True, text=True).stdout.split()
        window = found[0] if found else None
        time.sleep(0.1)
    if not window:
        sys.exit(f"cpu_use: the window \"{title}\" did not show")
    return window


def measure(game, data, seconds, key, phase):
    with tempfile.TemporaryDirectory() as work:
        shutil.copytree(data, work, dirs_exist_ok=True)
        command, env = [game], None
        if game.endswith(".exe"):
            build = os.path.dirname(os.path.dirname(game))
            env = dict(os.environ, WINEPREFIX=os.path.join(build, "wine"), WINEARCH="win64",
                       WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                       HOME=os.path.join(build, "wine-home"), ALSA_CONFIG_PATH=os.devnull,
                       PULSE_SERVER="unix:/nonexistent/vask-no-pulse.sock")
            command = ["wine", game]
        proc = subprocess.Popen(command, cwd=work, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            window = find_window(proc, TITLE)
            if env:  # no window manager: Wine's own focus request can come too early
                subprocess.run(["xdotool", "windowfocus", "--sync", window])
            time.sleep(1.0)  # the title is drawn and the music under way: start-up is over
            print("title", share(proc, seconds), flush=True)
            subprocess.run(["xdotool", "key", "--window", window, key], check=True)
            time.sleep(1.0)
            print(phase, share(proc, seconds), flush=True)
        finally:
            proc.kill()
            proc.wait()


def measure_empty(empty, seconds, tries=2):
    proc = subprocess.Popen([empty, "stay"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        if tries > 1 and proc.wait(timeout=1) is not None:
            # Ended at once: the display was not reached (said on its standard error).
            print("cpu_use: the empty window ended at once:", proc.stderr.read().decode().strip(),
                  "- trying again", file=sys.stderr)
            return measure_empty(empty, seconds, tries - 1)
    except subprocess.TimeoutExpired:
        pass
    try:
        find_window(proc, "Empty SDL2 GL window")
        time.sleep(1.0)
        cpu = share(proc, seconds).split()[0]
        print("empty", resident_kib(proc.pid), cpu, flush=True)
    finally:
        proc.kill()
        proc.wait()


game, data = os.path.abspath(sys.argv[1]), sys.argv[2]
seconds = float(sys.argv[3])
for _ in range(int(sys.argv[4])):
    measure(game, data, seconds, "g", "play")
    measure(game, data, seconds, "d", "attract")
    if len(sys.argv) > 5:
        measure_empty(os.path.abspath(sys.argv[5]), seconds)
