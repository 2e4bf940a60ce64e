#!/usr/bin/env python3
"""The test command's own rules, checked on a small ctest project made here: what
scripts/run-ctest.py counts as passed, failed or skipped, and what earns a second try.

Usage: run_ctest_test.py RUN_CTEST_PY   (exit status 0 when every rule holds)
"""
import os
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


def main():
    script = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="vask-rules-")
    with open(os.path.join(work, "CMakeLists.txt"), "w") as f:
        f.write(PROJECT)
    build = os.path.join(work, "build")
    subprocess.run(["cmake", "-S", work, "-B", build], check=True, stdout=subprocess.DEVNULL)
    os.makedirs(os.path.join(build, "marks"))
    results = os.path.join(work, "results")
    env = dict(os.environ, CI="")
    env.pop("VASK_E2E_SEED", None)
    run = subprocess.run([sys.executable, script, "--build", build, "--results", results,
                          "--retry-when", "HARNESS MISS", "--real-failure", "FAILED"],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    with open(results) as f:
        lines = f.read().splitlines()
    wrong = []

    def expect(condition, what):
        if not condition:
            wrong.append(what)
    # needs_set_up and the retried miss pass; set_up is a fixture, not a test passed.
    expect(lines[0] == "passed 2 failed 5 skipped 1", "the count is %r" % lines[0])
    expect("retried: miss_then_pass" in lines, "the pure miss was not retried with its seed")
    for name in ["miss_and_failure", "miss_then_hang", "never_built", "broken_set_up",
                 "needs_broken_set_up"]:
        expect("failed: %s" % name in lines, "%s is not counted as failed" % name)
    expect("skipped: chose_to_skip" in lines, "a chosen skip is not a skip")
    expect(run.returncode == 1, "exit status %d" % run.returncode)
    output = run.stdout.decode("utf-8", "replace")
    expect("miss_and_failure missed" not in output and "miss_then_hang missed" not in output,
           "a miss that came with a real failure or a time-out had a second try")
    if wrong:
        print("FAILED: %s\n%s\n%s" % ("; ".join(wrong), "\n".join(lines), output))
        return 1
    print("the test command's rules hold")
    return 0


if __name__ == "__main__":
    sys.exit(main())
