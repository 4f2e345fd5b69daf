"""The per-leg closing lines: what counts as passed, and which leg a case is on."""

import tempfile
import unittest

import run_legs


def _sample_classes():
    """Made here, not at module level, so that discovery does not run them as cases."""

    class _Sample(unittest.TestCase):
        def test_passes(self):
            pass

        def test_fails(self):
            self.fail("no")

        def test_breaks(self):
            raise RuntimeError("broken")

        def test_skipped(self):
            self.skipTest("not here")

        @unittest.expectedFailure
        def test_known_limit(self):
            self.fail("a listed limit")


    class _Leg32(_Sample):
        leg = "x86"

    return _Sample, _Leg32


class ClosingLines(unittest.TestCase):
    leg = "sim"

    def setUp(self):
        self.sample, self.leg32 = _sample_classes()

    def outcomes(self, names):
        found = []
        for name in names:
            result = unittest.TestResult()
            self.sample(name).run(result)
            found.append(run_legs.outcome(result))
        return found

    def test_skips_and_listed_limits_are_not_passes(self):
        outcomes = self.outcomes(["test_passes", "test_skipped", "test_known_limit"])
        self.assertEqual(outcomes, ["passed", "skipped", "skipped"])
        self.assertEqual(run_legs.closing_line("x64", outcomes),
                         ("64-bit leg: 1 passed, 0 failed, 2 skipped", 0))

    def test_failures_and_errors_both_fail(self):
        outcomes = self.outcomes(["test_passes", "test_fails", "test_breaks"])
        self.assertEqual(run_legs.closing_line("x86", outcomes),
                         ("32-bit leg: 1 passed, 2 failed", 2))
        # A test that ran nothing (its name no longer loads) is no pass either.
        self.assertEqual(run_legs.outcome(unittest.TestResult()), "failed")

    def test_a_case_in_a_process_of_its_own_reports_its_outcome(self):
        with tempfile.TemporaryDirectory() as work:
            results = {}
            jobs = [("sim", "test_run_legs.Child.passes"),
                    ("x86", "test_run_legs.Child.fails"),
                    ("x64", "test_run_legs.NoSuchClass.test_x")]
            for leg, test_id, found in run_legs.run_parallel(jobs, work, 2):
                results[test_id] = (leg, found["outcome"])
        self.assertEqual(results, {"test_run_legs.Child.passes": ("sim", "passed"),
                                   "test_run_legs.Child.fails": ("x86", "failed"),
                                   "test_run_legs.NoSuchClass.test_x": ("x64", "failed")})

    def test_legs_take_turns(self):
        a, b = self.sample("test_passes"), self.leg32("test_fails")
        order = run_legs.interleaved({"x64": [a, a], "x86": [b]}, ["x64", "x86"])
        self.assertEqual([leg for leg, _ in order], ["x64", "x86", "x64"])

    def test_cases_go_to_the_leg_their_class_names(self):
        tests = [self.sample("test_passes"), self.leg32("test_passes"), self.leg32("test_fails")]
        grouped = run_legs.by_leg(tests, ["sim", "x64", "x86"], "")
        self.assertEqual([len(grouped[leg]) for leg in ("sim", "x64", "x86")], [0, 1, 2])
        only = run_legs.by_leg(tests, ["x86"], "test_fails")
        self.assertEqual(list(only), ["x86"])
        self.assertEqual([t.id() for t in only["x86"]], [self.leg32("test_fails").id()])


class Child(unittest.TestCase):
    """Cases run only by name, in a process of their own, by the test above:
    without the "test" prefix, discovery leaves them out."""

    def passes(self):
        pass

    def fails(self):
        self.fail("as meant")


if __name__ == "__main__":
    unittest.main()
