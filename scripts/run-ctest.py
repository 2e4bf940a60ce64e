#!/usr/bin/env python3
"""Runs one ctest pass and reports its results honestly.

Usage: run-ctest.py --build DIR --results FILE [--retry-when REGEX]... [--real-failure REGEX]...
                    [CTEST ARGS...]

Every test runs once. A failed test runs a second time only when its output holds a miss of
the harness's own (a --retry-when line: no X server, a focus xdotool refused) or of a tool's
own (the leak checker's tracer), and no real failure: no line that is not itself a miss
telling of a failed check, a broken harness or a crash (REAL_FAILURE, and each --real-failure),
no sanitizer report, no time-out and no signal, nor an output ctest cut short, whose end is
unknown. The second try replays the first one's match seed (VASK_E2E_SEED). The report names
every test that passed only on its second run, and every skipped one; under CI (CI=true) a
skip fails the pass, since CI must run everything.

A skip is only a test that chose to skip and said why. A test ctest could not run (no
executable, a failed fixture, a _NOT_BUILT placeholder) is a failure. So is a ctest exit
status that no test record explains (a test list that could not be read), and a pass that
finds no test at all. A fixture (set-up or clean-up) is not counted as a passed test; its
failure counts.

FILE gets one line "passed N failed N skipped N" and one line per retried, skipped or failed
test, for the test command's closing count.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

# Whatever a retry pattern matches, these mean the program under test itself went wrong.
NEVER_RETRY = re.compile(r"ERROR: AddressSanitizer|runtime error:|ERROR: LeakSanitizer: detected")
# A real failure on a line of its own, whatever else the pass counts as one: a failed
# assertion (GoogleTest's "[  FAILED  ]", our scripts' "FAILED" and "FAIL:"), a Python
# harness that broke, a crash that a shell or a runner reported.
REAL_FAILURE = (r"FAILED|\bFAIL:|Traceback \(most recent call last\)|Segmentation fault|"
                r"core dumped")
# ctest keeps only the first 300 KiB of a failed test's output (a CTestCustom setting may
# change that) and says so at the cut: what came after it is unknown, so no second try.
OUTPUT_CUT = re.compile(r"output was removed since it exceeds the threshold of \d+ bytes")
OUTPUT_KEPT = 300 * 1024
# The skip messages of a test that chose to skip (its SKIP_RETURN_CODE or its
# SKIP_REGULAR_EXPRESSION, which gtest_discover_tests sets for GTEST_SKIP).
CHOSEN_SKIP = re.compile(r"^SKIP_(RETURN_CODE|REGULAR_EXPRESSION)")
# ctest's closing list: "  12 - name (Failed)"; anything but Failed is a time-out, a signal
# or a test that never ran.
FAILED_LINE = re.compile(r"^\s*\d+ - (\S+) \((.+)\)\s*$")
SEED = re.compile(r"VASK_E2E_SEED=(\d+)")


def run_ctest(build, args, junit, env=None):
    """ctest's exit status and {test name: ctest's reason for its failure}, as its closing
    list gives them."""
    command = ["ctest", "--test-dir", build, "--no-tests=error", "--output-on-failure",
               "--output-junit", junit] + args
    proc = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    reasons, in_list = {}, False
    for raw in proc.stdout:
        line = raw.decode("utf-8", "replace")
        sys.stdout.write(line)
        sys.stdout.flush()
        if line.startswith("The following tests FAILED:"):
            in_list = True
            continue
        # The list's lines are indented; one not read (a name with a space) gives its test
        # no reason, and the list goes on.
        if not line.strip() or not line[:1].isspace():
            in_list = False
        m = FAILED_LINE.match(line) if in_list else None
        if m:
            reasons[m.group(1)] = m.group(2)
    return proc.wait(), reasons


def fixtures(build, args):
    """Names of the listed tests that set up or clean up a fixture."""
    out = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"] + args,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        tests = json.loads(out.stdout.decode()).get("tests", [])
    except ValueError:
        return set()
    return {t["name"] for t in tests
            if any(p["name"] in ("FIXTURES_SETUP", "FIXTURES_CLEANUP") for p in t.get("properties", []))}


def results(junit):
    """{name: (status, output, why)}, status one of passed, failed, skipped."""
    found = {}
    if not os.path.exists(junit):
        return found
    for case in ElementTree.parse(junit).getroot().iter("testcase"):
        output = "".join(node.text or "" for node in case.iter("system-out"))
        skipped = case.find("skipped")
        why = ""
        if skipped is not None or case.get("status") in ("notrun", "disabled"):
            why = skipped.get("message", "") if skipped is not None else case.get("status")
            # Skipped by its own choice, with a word on why; anything else never ran.
            status = "skipped" if CHOSEN_SKIP.match(why) and output.strip() else "failed"
        elif case.find("failure") is not None or case.find("error") is not None or \
                case.get("status") == "fail":
            status = "failed"
        else:
            status = "passed"
        found[case.get("name")] = (status, output, why)
    return found


def first_line(output, pattern):
    for line in output.splitlines():
        if pattern.search(line):
            return line.strip()[:200]
    return ""


def only_missed(output, reason, retry, real):
    """Whether a failure was the harness's own miss and nothing else: a plain failed exit
    (not a time-out or a signal; a reason ctest's list did not give is none of them), all
    of whose output is known."""
    if retry is None or reason != "Failed" or NEVER_RETRY.search(output):
        return False
    if OUTPUT_CUT.search(output) or len(output.encode("utf-8")) >= OUTPUT_KEPT:
        return False
    lines = output.splitlines()
    if not any(retry.search(line) for line in lines):
        return False
    return real is None or not any(real.search(line) and not retry.search(line) for line in lines)


def main(work):
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--results", required=True)
    parser.add_argument("--retry-when", action="append", default=[])
    parser.add_argument("--real-failure", action="append", default=[])
    args, ctest_args = parser.parse_known_args()

    def joined(patterns):
        return re.compile("|".join("(?:%s)" % p for p in patterns)) if patterns else None
    retry, real = joined(args.retry_when), joined([REAL_FAILURE] + args.real_failure)

    first = os.path.join(work, "first.xml")
    code, reasons = run_ctest(args.build, ctest_args, first)
    found = results(first)
    if not found:
        print("run-ctest: ctest ran no test (exit %d)" % code, file=sys.stderr)
        with open(args.results, "w") as f:
            f.write("passed 0 failed 1 skipped 0\nfailed: no test ran in %s (ctest exit %d)\n"
                    % (args.build, code))
        return 1
    setup = fixtures(args.build, ctest_args)

    retried = []
    for name, (status, output, _) in sorted(found.items()):
        if status != "failed" or not only_missed(output, reasons.get(name), retry, real):
            continue
        print("run-ctest: %s missed (%s); its second try:" % (name, first_line(output, retry)))
        env = dict(os.environ)
        seed = SEED.search(output)
        if seed:
            env["VASK_E2E_SEED"] = seed.group(1)
        again = os.path.join(work, "again.xml")
        run_ctest(args.build, ["-R", "^%s$" % re.escape(name)], again, env)
        second = results(again).get(name)
        if second and second[0] == "passed":
            found[name] = second
            retried.append(name)

    passed = [n for n, (s, _, _) in found.items() if s == "passed" and n not in setup]
    failed = sorted(n for n, (s, _, _) in found.items() if s == "failed")
    skipped = sorted(n for n, (s, _, _) in found.items() if s == "skipped")
    # ctest's own status, unless the failures it counts are the ones above (the retried
    # passes among them): an error outside every test record fails the pass.
    outside = code != 0 and not any(s != "passed" for n, (s, _, _) in results(first).items())
    if outside:
        failed.append("ctest itself (exit %d, no test record says why)" % code)
    in_ci = os.environ.get("CI", "") not in ("", "0", "false")
    with open(args.results, "w") as f:
        f.write("passed %d failed %d skipped %d\n" % (len(passed), len(failed), len(skipped)))
        for name in retried:
            f.write("retried: %s\n" % name)
        for name in skipped:
            f.write("skipped: %s\n" % name)
        for name in failed:
            f.write("failed: %s\n" % name)
    print("run-ctest: %s: %d passed, %d failed, %d skipped" %
          (args.build, len(passed), len(failed), len(skipped)))
    for name in retried:
        print("run-ctest: passed only on its second try: %s" % name)
    for name in skipped:
        print("run-ctest: skipped%s: %s (%s)" % (" (not allowed in CI)" if in_ci else "", name,
                                                 first_line(found[name][1], re.compile("\\S"))))
    for name in failed:
        why = found[name][2] if name in found else ""
        print("run-ctest: FAILED: %s%s" % (name, " (%s)" % why if why else ""))
    return 1 if failed or (skipped and in_ci) else 0


if __name__ == "__main__":
    folder = tempfile.mkdtemp(prefix="vask-ctest-")  # ctest's JUnit records
    try:
        status = main(folder)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    sys.exit(status)
