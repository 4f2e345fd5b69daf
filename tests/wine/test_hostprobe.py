"""The same Windows calls on the simulated host and under Wine, held to Windows.

hostprobe (tests/hostprobe/hostprobe.cpp) is one source built for both back
ends; each of its lines is "CHECK RESULT DETAIL". WINDOWS holds what a 32-bit
program run by an elevated administrator on x64 Windows prints (the simulated
host runs its programs as such); X64_PROGRAM what differs for a 64-bit one.
Where Wine is not Windows, wine_limits.HOSTPROBE_WINE_ANSWERS says what Wine
prints and why: the Wine legs expect that, which also checks the limit holds.
"""

import os
import time
import unittest

import config
import wine_limits

PROBE_FOLDER = "C:\\hostprobe"
SCRATCH = PROBE_FOLDER + "\\scratch"
NO_STOP_SERVICE = "HostProbeNoStop"

WINDOWS = {
    # Files in use.
    "delete-held-no-share-delete": "fail 32",
    "rename-held-no-share-delete": "fail 32",
    "delete-held-share-delete": "ok 0",
    "deleted-name-while-held": "fail 2",
    "rename-held-share-delete": "ok 0",
    "remove-other-current-directory": "fail 32",
    "move-own-image": "ok 0",
    "delete-own-image": "fail 5",
    # Paths: the 260-character limit without \\?\, \\?\ taken literally.
    "long-path-create-directory": "fail 206",
    "long-path-create-file": "fail 3",
    "long-path-attributes": "fail 3",
    "long-path-verbatim-create-file": "ok 0",
    "plain-dot-dot": "ok 0",
    "verbatim-dot-dot": "fail 123",
    "verbatim-forward-slash": "fail 123",
    # Device names, with an extension too; no file is made for them.
    "reserved-nul-txt-opens": "ok 0",
    "reserved-nul-txt-made-file": "fail 2",
    "reserved-com1-log-made-file": "fail 2",
    "trailing-dot-create": "ok 0",
    "trailing-dot-stored-as": "ok TRAIL",
    "trailing-space-opens": "ok 0",
    "trailing-dots-spaces-opens": "ok 0",
    "case-greek": "ok 0",
    "case-cyrillic": "ok 0",
    "path-append-overflow": "fail empty",
    "path-combine-overflow": "fail empty",
    # File-system redirection of a 32-bit program.
    "system-directory": "ok C:\\WINDOWS\\SYSTEM32",
    "system32-file-in-syswow64": "ok 0",
    "sysnative-create": "ok 0",
    "sysnative-file-in-syswow64": "fail 2",
    "drivers-etc-not-redirected": "ok 0",
    "env-PROGRAMFILES": "ok C:\\PROGRAM FILES (X86)",
    "env-PROGRAMW6432": "ok C:\\PROGRAM FILES",
    "env-PROGRAMFILES(X86)": "ok C:\\PROGRAM FILES (X86)",
    # Privileges of an elevated administrator's token.
    "adjust-missing-privilege": "ok 1300",
    "enable-debug-privilege": "ok 0",
    "wts-query-user-token": "fail 1314",
    "set-token-session-id": "fail 1314",
    # Registry.
    "hkcr-sees-user-class": "ok 0",
    "hklm-write": "ok 0",
    # Services: a stop the service does not accept is refused; it keeps running.
    "stop-refused-service": "fail 1052",
    "refused-service-state": "ok 4",
}

# A 64-bit program sees no redirection and no Sysnative.
X64_PROGRAM = {
    "system32-file-in-syswow64": "fail 2",
    "sysnative-create": "fail 3",
    "env-PROGRAMFILES": "ok C:\\PROGRAM FILES",
}

# Wow64DisableWow64FsRedirection for one thread, then reverted.
FS_REDIRECTION = {
    "redirection-off": "ok 0",
    "redirection-off-system32-sees-native": "ok 0",
    "redirection-revert": "ok 0",
}
# A 64-bit program has no redirection to turn off (STATUS_NOT_IMPLEMENTED).
X64_FS_REDIRECTION = {"redirection-off": "fail 1"}


def probe_program(leg):
    if leg == "sim":
        return config.tool("hostprobe.exe")
    return os.path.join(os.path.dirname(config.uninstaller(leg)), "hostprobe.exe")


def expected_lines(leg):
    """What the probe must print on a leg: Windows' answers, Wine's where listed."""
    expected = dict(WINDOWS)
    expected.update(FS_REDIRECTION)
    if leg == "x64":
        expected.update(X64_PROGRAM)
        del expected["redirection-off-system32-sees-native"], expected["redirection-revert"]
        expected.update(X64_FS_REDIRECTION)
    if leg != "sim":
        for check, answers in wine_limits.HOSTPROBE_WINE_ANSWERS.items():
            if leg in answers:
                expected[check] = answers[leg][0]
    return expected


def parse(lines):
    found = {}
    for line in lines:
        check, _, answer = line.partition(" ")
        found[check] = answer
    return found


class HostProbeScenario:
    leg = None

    def setUp(self):
        reason = config.skip_reason(self.leg)
        if not reason and not os.path.exists(probe_program(self.leg)):
            reason = "no " + probe_program(self.leg)
        if reason:
            self.skipTest("%s leg: %s" % (self.leg, reason))
        self.machine = config.new_machine(self.leg, self)

    def add_service_refusing_stop(self):
        m = self.machine
        program = PROBE_FOLDER + "\\service.exe"
        m.copy_in(config.helper(self.leg, "svc"), program)
        if self.leg == "sim":
            # simproc stands in for the service program; the host refuses the stop.
            m.create_service(NO_STOP_SERVICE, '"%s" sleep' % program)
            m._tool("svc", "set", NO_STOP_SERVICE, "--refuses-stop")
            m.start_service(NO_STOP_SERVICE)
            return
        m.create_service(NO_STOP_SERVICE, '"%s" --refuses-stop' % program)
        m.start_service(NO_STOP_SERVICE)
        deadline = time.monotonic() + 30
        while m.service_state(NO_STOP_SERVICE) != "RUNNING" and time.monotonic() < deadline:
            time.sleep(0.2)

    def run_probe(self):
        m = self.machine
        self.add_service_refusing_stop()
        m.copy_in(probe_program(self.leg), PROBE_FOLDER + "\\hostprobe.exe")
        m.make_dirs(SCRATCH)
        program = m.start_program(PROBE_FOLDER + "\\hostprobe.exe", [SCRATCH, "all"])
        lines = []
        while True:
            line = program.read_line(timeout=60)
            if line is None or line == "done ok 0":
                break
            lines.append(line)
        self.assertEqual(program.wait(60), 0, "\n".join(lines))
        return parse(lines)

    def test_calls_answer_as_on_windows(self):
        found = self.run_probe()
        expected = expected_lines(self.leg)
        wrong = ["%s: %s, Windows %s" % (check, found.get(check), answer)
                 for check, answer in sorted(expected.items())
                 if found.get(check) != answer]
        self.assertEqual(wrong, [], "\n".join(wrong))
        # The probe prints nothing this test does not hold to an answer.
        self.assertEqual(sorted(set(found) - set(expected)), [])
        # The scratch folder is left as it was found.
        self.assertEqual(os.listdir(self.machine.real(SCRATCH)), [])


class SimulatedHost(HostProbeScenario, unittest.TestCase):
    leg = "sim"


class Wine64BitLeg(HostProbeScenario, unittest.TestCase):
    leg = "x64"


class Wine32BitLeg(HostProbeScenario, unittest.TestCase):
    leg = "x86"


if __name__ == "__main__":
    unittest.main()
