#!/usr/bin/env python3
"""The test command's own rules, checked on a small ctest project made here: what
scripts/run-ctest.py counts as passed, failed or skipped, and what earns a second try; and
what the harness calls its own miss: scripts/wine-run.sh for a Windows program that printed
nothing, tests/e2e/vask_e2e.py for a focus or a key xdotool refused.

Usage: run_ctest_test.py RUN_CTEST_PY   (exit status 0 when every rule holds; wine-run.sh is
found beside RUN_CTEST_PY, vask_e2e.py in that checkout's tests/e2e)
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

PROJECT = r'''
cmake_minimum_required(VERSION 3.20)
project(rules NONE)
enable_testing()
set(M ${CMAKE_BINARY_DIR}/marks)
# First try: a harness miss with the match seed it played; second try: passes only when it
# is handed the same seed.
add_test(NAME miss_then_pass COMMAND sh -c "echo 'match seed 77 (VASK_E2E_SEED=77 replays it)'; if [ -e ${M}/a ]; then [ \"$VASK_E2E_SEED\" = 77 ]; exit; fi; touch ${M}/a; echo 'HARNESS MISS: FAILED x: no X server'; exit 1")
# A miss in one row and a real failure in another: no second try.
add_test(NAME miss_and_failure COMMAND sh -c "[ -e ${M}/b ] && exit 0; touch ${M}/b; echo 'row 1 FAILED: HARNESS MISS: no X server'; echo 'row 2 FAILED: exit code 1'; exit 1")
# A miss that then hangs: a time-out is never retried.
add_test(NAME miss_then_hang COMMAND sh -c "[ -e ${M}/c ] && exit 0; touch ${M}/c; echo 'HARNESS MISS'; sleep 30")
set_tests_properties(miss_then_hang PROPERTIES TIMEOUT 2)
# The same with a name ctest's closing list gives in a form not read: a reason unknown is
# no plain failure.
add_test(NAME "spaced miss then hang" COMMAND sh -c "[ -e ${M}/d ] && exit 0; touch ${M}/d; echo 'HARNESS MISS'; sleep 30")
set_tests_properties("spaced miss then hang" PROPERTIES TIMEOUT 2)
# The leak checker's tracer crashing after a passed test: a second try; after a failed
# assertion: none.
add_test(NAME tracer_then_pass COMMAND sh -c "[ -e ${M}/e ] && exit 0; touch ${M}/e; echo '[  PASSED  ] 1 test.'; echo 'Tracer caught signal 11: addr=0x0 pc=0x1 sp=0x2'; exit 1")
add_test(NAME tracer_and_assertion COMMAND sh -c "[ -e ${M}/f ] && exit 0; touch ${M}/f; echo '[  FAILED  ] Slots.Play (3 ms)'; echo 'Tracer caught signal 11: addr=0x0 pc=0x1 sp=0x2'; exit 1")
# A miss beside what tells of a real failure in any of its forms: none.
add_test(NAME miss_and_fail COMMAND sh -c "[ -e ${M}/g ] && exit 0; touch ${M}/g; echo 'HARNESS MISS: no X server'; echo 'FAIL: the zip has no README'; exit 1")
add_test(NAME miss_and_segfault COMMAND sh -c "[ -e ${M}/h ] && exit 0; touch ${M}/h; echo 'HARNESS MISS: no X server'; echo 'sh: line 1: 4242 Segmentation fault      ./vask'; exit 1")
add_test(NAME miss_and_core COMMAND sh -c "[ -e ${M}/i ] && exit 0; touch ${M}/i; echo 'HARNESS MISS: no X server'; echo 'Aborted (core dumped)'; exit 1")
# A miss whose real failure comes past the 300 KiB of output ctest keeps: none.
add_test(NAME miss_past_cut COMMAND sh -c "[ -e ${M}/j ] && exit 0; touch ${M}/j; echo 'HARNESS MISS: no X server'; yes filler | head -n 60000; echo 'row 9 FAILED: exit code 1'; exit 1")
add_test(NAME never_built COMMAND ${CMAKE_BINARY_DIR}/no-such-program)
add_test(NAME chose_to_skip COMMAND sh -c "echo 'no sound card here'; exit 77")
set_tests_properties(chose_to_skip PROPERTIES SKIP_RETURN_CODE 77)
add_test(NAME set_up COMMAND true)
set_tests_properties(set_up PROPERTIES FIXTURES_SETUP f)
add_test(NAME needs_set_up COMMAND true)
set_tests_properties(needs_set_up PROPERTIES FIXTURES_REQUIRED f)
add_test(NAME broken_set_up COMMAND false)
set_tests_properties(broken_set_up PROPERTIES FIXTURES_SETUP g)
add_test(NAME needs_broken_set_up COMMAND true)
set_tests_properties(needs_broken_set_up PROPERTIES FIXTURES_REQUIRED g)
'''


def run_ctest_rules(script, work, expect):
    with open(os.path.join(work, "CMakeLists.txt"), "w") as f:
        f.write(PROJECT)
    build = os.path.join(work, "build")
    subprocess.run(["cmake", "-S", work, "-B", build], check=True, stdout=subprocess.DEVNULL)
    os.makedirs(os.path.join(build, "marks"))
    results = os.path.join(work, "results")
    env = dict(os.environ, CI="")
    env.pop("VASK_E2E_SEED", None)
    # The retry patterns of test.sh's end-to-end passes and of sanitize.sh's.
    run = subprocess.run([sys.executable, script, "--build", build, "--results", results,
                          "--retry-when", "HARNESS MISS", "--retry-when", "Tracer caught signal"],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    with open(results) as f:
        lines = f.read().splitlines()
    output = run.stdout.decode("utf-8", "replace")
    shown = "\n".join(lines + [line for line in output.splitlines() if line != "filler"])
    # needs_set_up and the retried misses pass; set_up is a fixture, not a test passed.
    expect(lines[0] == "passed 3 failed 11 skipped 1", "the count is %r" % lines[0], shown)
    expect("retried: miss_then_pass" in lines, "the pure miss was not retried with its seed", shown)
    expect("retried: tracer_then_pass" in lines, "the tracer's crash alone was not retried", shown)
    never_retried = ["miss_and_failure", "miss_then_hang", "spaced miss then hang",
                     "tracer_and_assertion", "miss_and_fail", "miss_and_segfault", "miss_and_core",
                     "miss_past_cut"]
    for name in never_retried + ["never_built", "broken_set_up", "needs_broken_set_up"]:
        expect("failed: %s" % name in lines, "%s is not counted as failed" % name, shown)
    expect("skipped: chose_to_skip" in lines, "a chosen skip is not a skip", shown)
    expect(run.returncode == 1, "exit status %d" % run.returncode, shown)
    for name in never_retried:
        expect("%s missed" % name not in output, "%s had a second try" % name, shown)


def stub(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write("#!/bin/sh\n" + text + "\n")
    os.chmod(path, 0o755)


def wine_run_rules(script, work, expect):
    """A Windows program that ended with nothing printed is Wine's miss only when the Wine
    server is down; with the server up it is the program's failure. Wine and its server are
    stand-ins here, the prefix one already made."""
    stubs = os.path.join(work, "wine-stubs")
    os.makedirs(stubs)
    stub(stubs, "wine", 'echo "$*" | grep -q prints && echo "[==========] Running 1 test"; exit 3')
    stub(stubs, "wineserver", '[ "$1" = -k0 ] && exit "$SERVER_DOWN"; exit 0')
    build = os.path.join(work, "build-windows")
    os.makedirs(os.path.join(build, "wine"))
    open(os.path.join(build, "wine", ".vask-ready"), "w").close()
    for program, down, miss in [("silent.exe", "0", False), ("silent.exe", "1", True),
                                ("prints.exe", "1", False)]:
        env = dict(os.environ, PATH=stubs + os.pathsep + os.environ["PATH"], SERVER_DOWN=down)
        run = subprocess.run(["bash", script, build, program], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, env=env)
        said = run.stderr.decode("utf-8", "replace")
        what = "%s with the Wine server %s" % (program, "down" if down == "1" else "up")
        expect(run.returncode == 3, "wine-run.sh gave status %d for %s" % (run.returncode, what), said)
        expect(("HARNESS MISS" in said) == miss, "wine-run.sh called %s %sa miss"
               % (what, "not " if miss else ""), said)


def xdotool_rules(vask_e2e, work, expect):
    """xdotool refusing the focus or a key is the harness's miss only while the program runs
    and its window is up: a window that went with a crashed game is a failure. xdotool and
    xwininfo are stand-ins here."""
    stubs = os.path.join(work, "x-stubs")
    os.makedirs(stubs)
    stub(stubs, "xdotool", "echo 'X Error of failed request:  BadWindow (invalid Window parameter)' >&2; exit 1")
    stub(stubs, "xwininfo", '[ "$WINDOW_UP" = 1 ] && echo "  Map State: IsViewable" || echo "  Map State: IsUnMapped"')
    sys.path.insert(0, os.path.dirname(vask_e2e))
    import vask_e2e as e2e
    ended = subprocess.Popen(["true"])
    ended.wait()
    running = subprocess.Popen(["sleep", "60"])
    game = e2e.Game(argparse.Namespace(wine=None), work)
    game.window = "0x400001"
    saved = dict(os.environ)
    os.environ["PATH"] = stubs + os.pathsep + os.environ["PATH"]
    try:
        for game.proc, up, miss in [(ended, "1", False), (ended, "0", False), (running, "0", False),
                                    (running, "1", True)]:
            os.environ["WINDOW_UP"] = up
            state = "the game %s and its window %s" % (
                "running" if game.proc is running else "ended", "up" if up == "1" else "gone")
            for what, refusal in [("a refused focus", lambda: e2e.focus_window(game.window, game.proc)),
                                  ("a refused key", lambda: game.key("q"))]:
                if what == "a refused key" and game.proc is ended:
                    continue  # a key that ends the game is the caller's to judge
                try:
                    refusal()
                    expect(False, "%s with %s passed" % (what, state))
                except e2e.HarnessMiss as failure:
                    expect(miss, "%s with %s is called a miss" % (what, state), str(failure))
                except e2e.Failure as failure:
                    expect(not miss, "%s with %s is called a failure" % (what, state), str(failure))
    finally:
        os.environ.clear()
        os.environ.update(saved)
        running.kill()
        running.wait()


def main():
    script = os.path.abspath(sys.argv[1])
    scripts = os.path.dirname(script)
    wrong = []

    def expect(condition, what, shown=""):
        if not condition:
            wrong.append(what)
            print("FAILED: %s%s" % (what, "\n" + shown if shown else ""))
    work = tempfile.mkdtemp(prefix="vask-rules-")
    run_ctest_rules(script, work, expect)
    wine_run_rules(os.path.join(scripts, "wine-run.sh"), work, expect)
    xdotool_rules(os.path.join(scripts, "..", "tests", "e2e", "vask_e2e.py"), work, expect)
    if wrong:
        print("%d rules broken: %s (files in %s)" % (len(wrong), "; ".join(wrong), work))
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print("the test command's rules hold")
    return 0


if __name__ == "__main__":
    sys.exit(main())
