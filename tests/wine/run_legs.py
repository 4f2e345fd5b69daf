#!/usr/bin/env python3
"""Runs the Wine test bed leg by leg and prints one closing line per leg.

A test belongs to the leg its class names (`leg = "sim" | "x64" | "x86"`);
the harness's own checks, which run Wine's 64-bit tools only, belong to the
64-bit leg. A leg that cannot run here is reported skipped with its reason and
never counted as passed.

Usage: run_legs.py [--legs sim,x64,x86] [-k SUBSTRING]
Exit 1 when a leg has a failure or the 64-bit leg could not run.
"""

import argparse
import os
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import config  # noqa: E402

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


def closing_line(leg, result):
    skipped = len(result.skipped) + len(result.expectedFailures)
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    passed = result.testsRun - failed - skipped
    line = "%s: %d passed, %d failed" % (TITLES[leg], passed, failed)
    return line + (", %d skipped" % skipped if skipped else ""), failed


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--legs", default="sim,x64,x86")
    parser.add_argument("-k", dest="pattern", default="")
    args = parser.parse_args(argv)
    legs = [leg for leg in args.legs.split(",") if leg]
    for leg in legs:
        if leg not in TITLES:
            parser.error("unknown leg " + leg)

    suite = unittest.defaultTestLoader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)
    grouped = by_leg(flatten(suite), legs, args.pattern)
    lines, status = [], 0
    for leg in legs:
        reason = config.skip_reason(leg)
        if reason:
            lines.append("%s: skipped (%s)" % (TITLES[leg], reason))
            # The 64-bit leg needs nothing this machine may lack: missing, it fails.
            if leg == "x64":
                status = 1
            continue
        started = time.monotonic()
        print("== %s (%d cases)" % (TITLES[leg], len(grouped[leg])), flush=True)
        result = unittest.TextTestRunner(stream=sys.stdout, verbosity=2).run(
            unittest.TestSuite(grouped[leg]))
        line, failed = closing_line(leg, result)
        print("%s in %ds" % (TITLES[leg], time.monotonic() - started), flush=True)
        lines.append(line)
        if failed:
            status = 1
    print("")
    for line in lines:
        print(line)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
