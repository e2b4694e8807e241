"""What the scenarios with the virtual display share: the serial device profile that the
package writes, sessions of OPOS calls through tests/wine/scripts/session.js, and the bytes
that the display must receive."""

import difflib
import re

from harness import unix_to_windows

PORT = "COM7"
# What `msiexec /i orvix-<version>-x64.msi CONNECTION=COM PORT=<port> LOGICALNAME=PoleDisplay`
# writes into each registry view, with the Option that a profile without switches has.
PROFILE = """REGEDIT4

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay]
"PoleDisplay"="ORVIX"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX]
@="OPOS.ORVIX"
"DeviceType"="COM"
"COMPORT"="%s"
"Baud"="9600"
"Parity"="0"
"DataLength"="8"
"StopBit"="0"
"Option"=dword:00000000
"""

# What every OpenService that reaches the display sends: the identification request, then,
# in a write of its own, initialise and clear.
IDENTIFY = bytes.fromhex("02 05 45 4F 03")
INITIALISE_AND_CLEAR = bytes.fromhex("1B 40 0C")
OPENED = IDENTIFY + INITIALISE_AND_CLEAR

OPOS_SUCCESS = 0
OPOS_E_ILLEGAL = 106

BLANK_ROW = " " * 20


def profile_text(port=PORT):
    """The serial profile of the package, on `port`, as a .reg file."""
    return (PROFILE % port).replace("\n", "\r\n")


class Call:
    """One step of a session: what the call gave (a number, a quoted text, "done" or
    "error ...") and how many milliseconds it took."""

    LINE = re.compile(r"^(?P<step>.*) -> (?P<outcome>.*) ms=(?P<ms>\d+)$")

    def __init__(self, step, outcome, ms):
        self.step = step
        self.outcome = outcome
        self.ms = ms

    @property
    def result(self):
        """The outcome as a number when it is one."""
        try:
            return int(self.outcome)
        except ValueError:
            return self.outcome

    def __repr__(self):
        return "%s -> %s (%d ms)" % (self.step, self.outcome, self.ms)


class Session:
    """The outcome of one session.js run (one process, so one fresh service state)."""

    def __init__(self, run):
        self.run = run
        self.calls = []
        for line in run.lines():
            match = Call.LINE.match(line)
            if match:
                self.calls.append(Call(match.group("step"), match.group("outcome"), int(match.group("ms"))))
        self.complete = bool(run.lines()) and run.lines()[-1] == "end"

    def results(self):
        return [call.result for call in self.calls]

    def call(self, step):
        """The first call of `step` (outcome "missing" when it did not run)."""
        for call in self.calls:
            if call.step == step:
                return call
        return Call(step, "missing", -1)


def run_session(test, steps, cwd=None, what=None):
    """Runs the steps in one cscript process; `cwd` (a host folder) becomes its current
    directory, where the debug log goes. Checks that every step ran."""
    script = unix_to_windows(test.scripts_dir / "session.js")
    run = test.prefix.run(["cscript", "//nologo", script] + list(steps), cwd=None if cwd is None else str(cwd))
    session = Session(run)
    test.check(session.complete and len(session.calls) == len(steps) and run.returncode == 0,
               "%s: every call ran" % (what or "session"), run.describe())
    return session


def ready_display(display, reply="KVD5100"):
    """Between cases: nothing left over in the pty, the screen at power-on, counts and bytes
    cleared, the reply plan set."""
    display.command("flush")
    display.command("reset")
    display.command("reply %s" % reply)


def expect_received(test, display, expected, what):
    """Compares every byte the display received since ready_display with `expected`."""
    if expected:
        display.wait_bytes(len(expected), 3000)
    test.expect_equal(display.received_bytes().hex(" "), expected.hex(" "), "%s: the bytes the display received" % what)


def expect_duration(test, call, low_ms, high_ms, what):
    test.check(low_ms <= call.ms <= high_ms, "%s: took %d ms (%d to %d)" % (what, call.ms, low_ms, high_ms), call)


def expect_results(test, session, calls, what):
    """Compares a session's outcomes with `calls`, a list of (step, expected outcome), and
    names each step that differs."""
    actual = session.results()
    expected = [outcome for _, outcome in calls]
    wrong = ["%s: got %r, expected %r" % (step, got, wanted)
             for (step, wanted), got in zip(calls, actual) if got != wanted]
    if len(actual) != len(expected):
        wrong.append("%d outcomes for %d steps" % (len(actual), len(expected)))
    return test.check(not wrong, "%s: every result" % what, "\n".join(wrong))


def expect_file_bytes(test, path, expected, what):
    """Compares a file's bytes with `expected`; a difference shows as a diff of the lines,
    each written as a Python literal so that CR and LF can be seen."""
    actual = path.read_bytes() if path.is_file() else None
    if actual == expected:
        return test.check(True, what)
    if actual is None:
        return test.check(False, what, "%s does not exist" % path)
    lines = difflib.unified_diff([repr(line) for line in expected.splitlines(keepends=True)],
                                 [repr(line) for line in actual.splitlines(keepends=True)],
                                 "expected", str(path), lineterm="")
    return test.check(False, what, "\n".join(lines))
