"""The Windows adapters' known answers (XML, HTTP, cipher ...), run on Wine's
implementation of the system on each leg: win32_adapter_check.exe prints each
failed check and exits with their number."""

import os
import unittest

import config


class AdapterChecks:
    leg = None

    def setUp(self):
        reason = config.skip_reason(self.leg)
        if reason:
            self.skipTest("%s leg: %s" % (self.leg, reason))
        self.program = os.path.join(os.path.dirname(config.uninstaller(self.leg)),
                                    "win32_adapter_check.exe")
        if not os.path.exists(self.program):
            self.skipTest("%s leg: no %s (scripts/build-windows --adapter-check)"
                          % (self.leg, self.program))
        self.machine = config.new_machine(self.leg, self)

    def test_known_answers_hold(self):
        self.machine.copy_in(self.program, "C:\\checks\\win32_adapter_check.exe")
        handle = self.machine.start_program("C:\\checks\\win32_adapter_check.exe")
        lines = []
        while True:
            line = handle.read_line(240)
            if line is None:
                break
            lines.append(line)
        self.assertEqual(handle.wait(60), 0, "\n".join(lines))
        self.assertEqual(lines[-1:], ["0 failed"], lines)


class Wine64BitLeg(AdapterChecks, unittest.TestCase):
    leg = "x64"


class Wine32BitLeg(AdapterChecks, unittest.TestCase):
    leg = "x86"


if __name__ == "__main__":
    unittest.main()
