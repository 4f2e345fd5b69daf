"""The per-leg closing lines: what counts as passed, and which leg a case is on."""

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

    def run_sample(self, names):
        result = unittest.TestResult()
        unittest.TestSuite([self.sample(n) for n in names]).run(result)
        return result

    def test_skips_and_listed_limits_are_not_passes(self):
        result = self.run_sample(["test_passes", "test_skipped", "test_known_limit"])
        self.assertEqual(run_legs.closing_line("x64", result),
                         ("64-bit leg: 1 passed, 0 failed, 2 skipped", 0))

    def test_failures_and_errors_both_fail(self):
        result = self.run_sample(["test_passes", "test_fails", "test_breaks"])
        self.assertEqual(run_legs.closing_line("x86", result),
                         ("32-bit leg: 1 passed, 2 failed", 2))

    def test_cases_go_to_the_leg_their_class_names(self):
        tests = [self.sample("test_passes"), self.leg32("test_passes"), self.leg32("test_fails")]
        grouped = run_legs.by_leg(tests, ["sim", "x64", "x86"], "")
        self.assertEqual([len(grouped[leg]) for leg in ("sim", "x64", "x86")], [0, 1, 2])
        only = run_legs.by_leg(tests, ["x86"], "test_fails")
        self.assertEqual(list(only), ["x86"])
        self.assertEqual([t.id() for t in only["x86"]], [self.leg32("test_fails").id()])


if __name__ == "__main__":
    unittest.main()
