#!/usr/bin/env python3
"""Runs the Wine test bed leg by leg and prints one closing line per leg.

A test belongs to the leg its class names (`leg = "sim" | "x64" | "x86"`);
the harness's own checks, which run Wine's 64-bit tools only, belong to the
64-bit leg. A leg that cannot run here is reported skipped with its reason and
never counted as passed.

Scenarios spend most of their time waiting on Wine (its server, a restart,
a service's bound), so they run several at once, each test in a process of
its own with a prefix of its own (UNINST_WINE_JOBS, default 4).

Usage: run_legs.py [--legs sim,x64,x86] [-k SUBSTRING] [-j JOBS]
Exit 1 when a leg has a failure or the 64-bit leg could not run.
"""

import argparse
import io
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import config  # noqa: E402
import prefix  # noqa: E402

TITLES = {"sim": "simulated host", "x64": "64-bit leg", "x86": "32-bit leg"}


def flatten(suite):
    for item in suite:
        if isinstance(item, unittest.TestSuite):
            yield from flatten(item)
        else:
            yield item


def leg_of(test):
    return getattr(test, "leg", None) or "x64"


def by_leg(tests, legs, pattern):
    grouped = {leg: [] for leg in legs}
    for test in tests:
        # A module that failed to import is everyone's failure: the 64-bit leg shows it.
        leg = leg_of(test)
        if leg in grouped and (not pattern or pattern in test.id()):
            grouped[leg].append(test)
    return grouped


def outcome(result):
    """"passed", "failed" or "skipped" for the result of one test. A listed
    Wine limitation (an expected failure) is not a pass."""
    if result.failures or result.errors or result.unexpectedSuccesses:
        return "failed"
    if result.skipped or result.expectedFailures:
        return "skipped"
    return "passed" if result.testsRun else "failed"


def closing_line(leg, outcomes):
    counts = {kind: outcomes.count(kind) for kind in ("passed", "failed", "skipped")}
    line = "%s: %d passed, %d failed" % (TITLES[leg], counts["passed"], counts["failed"])
    if counts["skipped"]:
        line += ", %d skipped" % counts["skipped"]
    return line, counts["failed"]


def run_one(test_id, result_path):
    """Runs one test in this process; its outcome goes to result_path as JSON."""
    stream = io.StringIO()
    result = unittest.TextTestResult(unittest.runner._WritelnDecorator(stream), True, 2)
    try:
        test = unittest.defaultTestLoader.loadTestsFromName(test_id)
    except Exception as error:  # noqa: BLE001 - a test that cannot load is a failure
        test = None
        stream.write("cannot load %s: %r\n" % (test_id, error))
    if test is not None:
        test.run(result)
        result.printErrors()
    reasons = [reason for _, reason in result.skipped]
    with open(result_path, "w") as f:
        json.dump({"outcome": outcome(result) if test is not None else "failed",
                   "output": stream.getvalue(), "skipped": reasons}, f)


class Job:
    def __init__(self, leg, test_id, work):
        self.leg, self.test_id = leg, test_id
        self.result_path = os.path.join(work, "%d.json" % id(self))
        self.log = open(os.path.join(work, "%d.log" % id(self)), "w+")
        self.started = time.monotonic()
        self.process = subprocess.Popen(
            [sys.executable, "-B", os.path.abspath(__file__), "--one", test_id,
             "--result", self.result_path], stdout=self.log, stderr=subprocess.STDOUT, cwd=HERE)

    def finish(self):
        seconds = time.monotonic() - self.started
        self.log.seek(0)
        stray = self.log.read()
        self.log.close()
        try:
            with open(self.result_path) as f:
                found = json.load(f)
        except (OSError, ValueError):
            found = {"outcome": "failed", "skipped": [],
                     "output": "the test's process ended with %d and no result\n"
                               % self.process.returncode}
        found["output"] = stray + found["output"]
        found["seconds"] = seconds
        return found


def run_parallel(jobs_wanted, work, jobs):
    """Runs (leg, test id) pairs, at most `jobs` at once; yields (leg, id, result)
    in the order they end."""
    waiting, running = list(jobs_wanted), []
    while waiting or running:
        while waiting and len(running) < jobs:
            leg, test_id = waiting.pop(0)
            running.append(Job(leg, test_id, work))
        time.sleep(0.1)
        for job in [j for j in running if j.process.poll() is not None]:
            running.remove(job)
            yield job.leg, job.test_id, job.finish()


def interleaved(grouped, legs):
    """The legs' tests taken in turn, so that every leg is under way early."""
    queues = [[(leg, t.id()) for t in grouped[leg]] for leg in legs]
    order = []
    while any(queues):
        for queue in queues:
            if queue:
                order.append(queue.pop(0))
    return order


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--legs", default="sim,x64,x86")
    parser.add_argument("-k", dest="pattern", default="")
    parser.add_argument("-j", dest="jobs", type=int,
                        default=int(os.environ.get("UNINST_WINE_JOBS", "4")))
    parser.add_argument("--one", help=argparse.SUPPRESS)
    parser.add_argument("--result", help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    if args.one:
        run_one(args.one, args.result)
        return 0
    legs = [leg for leg in args.legs.split(",") if leg]
    for leg in legs:
        if leg not in TITLES:
            parser.error("unknown leg " + leg)

    suite = unittest.defaultTestLoader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)
    grouped = by_leg(flatten(suite), legs, args.pattern)
    status, reasons = 0, {}
    for leg in legs:
        reasons[leg] = config.skip_reason(leg)
        # The 64-bit leg needs nothing this machine may lack: missing, it fails.
        if reasons[leg] and leg == "x64":
            status = 1
    runnable = [leg for leg in legs if not reasons[leg]]
    if any(leg != "sim" for leg in runnable):
        started = time.monotonic()
        prefix.template(config.CACHE)
        print("the Wine prefix template is ready (%ds)" % (time.monotonic() - started), flush=True)
    for leg in runnable:
        print("== %s: %d cases" % (TITLES[leg], len(grouped[leg])), flush=True)

    outcomes = {leg: [] for leg in runnable}
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="uninst-wine-legs-") as work:
        for leg, test_id, found in run_parallel(interleaved(grouped, runnable), work,
                                                max(1, args.jobs)):
            outcomes[leg].append(found["outcome"])
            note = "; ".join(found["skipped"])
            print("%-7s %s [%s] (%ds)%s" % (found["outcome"], test_id, TITLES[leg],
                                            found["seconds"], " - " + note if note else ""),
                  flush=True)
            if found["outcome"] == "failed":
                sys.stdout.write(found["output"])
    print("all cases in %ds, %d at once" % (time.monotonic() - started, max(1, args.jobs)))

    print("")
    for leg in legs:
        if reasons[leg]:
            print("%s: skipped (%s)" % (TITLES[leg], reasons[leg]))
            continue
        line, failed = closing_line(leg, outcomes[leg])
        print(line)
        if failed:
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
