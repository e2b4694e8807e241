"""A compiled program of bench/wine run in step with the bench runner (bench_box.py).

The program and the harness meet in a folder that both see (the work folder, through Z:):
at each step the program writes NAME.step and waits for NAME.go, which the harness writes
once it has checked the display and done what the step calls for (dropped the line, changed
the reply...). Data for the harness (the bytes the display must have received, timings)
comes in files of their own, written before the step. NAME.flag tells a running program
something without stopping it.
"""

import threading
import time
from pathlib import Path

from wine_box import WineError, unix_to_windows

STEP_WAIT_SECONDS = 240


class StressRun:
    """One run of a stress program, in the background."""

    def __init__(self, test, program, mode, args=(), timeout=600):
        """Runs `program MODE FOLDER ARGS...` (without MODE when it is None)."""
        self.test = test
        self.program = program
        self.folder = test.work_dir / ("meet-" + (mode or Path(program).stem))
        self.folder.mkdir(parents=True, exist_ok=True)
        test.require(test.bench_dir / program)
        installed = test.prefix.install(test.bench_dir / program, "orvix-bench")
        self.args = [installed] + ([mode] if mode else []) + [unix_to_windows(self.folder)] + [str(a) for a in args]
        self.timeout = timeout
        self.outcome = {}
        self._seen = set()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def _run(self):
        try:
            self.outcome["result"] = self.test.prefix.run(*self.args, timeout=self.timeout)
        except WineError as error:
            self.outcome["error"] = error

    def start(self):
        self._thread.start()
        return self

    def next_step(self, timeout=STEP_WAIT_SECONDS):
        """The name of the next step the program announced, or None once it ended without
        one (or did not come within `timeout` seconds)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for path in sorted(self.folder.glob("*.step")):
                if path.stem not in self._seen:
                    self._seen.add(path.stem)
                    return path.stem
            if not self._thread.is_alive():
                return None
            time.sleep(0.01)
        return None

    def expect_step(self, name):
        """Waits for step `name`; a check fails when another one, or none, comes."""
        step = self.next_step()
        self.test.expect_equal(step, name, "%s reached step %s" % (self.program, name))
        return step == name

    def data(self, name):
        return (self.folder / name).read_bytes()

    def text(self, name):
        return self.data(name).decode("ascii")

    def go(self, name):
        (self.folder / (name + ".go")).write_bytes(b"")

    def flag(self, name):
        (self.folder / (name + ".flag")).write_bytes(b"")

    def finish(self, what):
        """Waits for the program's end and checks that every check in it ran and passed.
        Gives its CompletedRun, or None. A program still waiting at a step (the scenario
        stopped early) is let go on, so that it ends rather than waits out its time-out."""
        while self._thread.is_alive():
            for path in self.folder.glob("*.step"):
                go = path.with_suffix(".go")
                if not go.exists():
                    go.write_bytes(b"")
            self._thread.join(0.2)
        if "result" not in self.outcome:
            self.test.check(False, "%s ran to its end" % what, self.outcome.get("error", "it did not end"))
            return None
        result = self.outcome["result"]
        summary = [line for line in result.lines() if line.startswith("checks: ")]
        passed = result.returncode == 0 and summary and summary[-1].endswith(", 0 failed")
        self.test.check(bool(passed), "%s: every check of the program passed" % what, result.describe())
        return result


def measures(result, kind):
    """The "measure KIND key=value..." lines of a run, as a list of dicts."""
    found = []
    for line in result.lines() if result else []:
        words = line.split()
        if len(words) >= 2 and words[0] == "measure" and words[1] == kind:
            found.append(dict(word.split("=", 1) for word in words[2:] if "=" in word))
    return found


def figures(result):
    """The "figure NAME VALUE" lines of a run, as a dict."""
    found = {}
    for line in result.lines() if result else []:
        words = line.split()
        if len(words) == 3 and words[0] == "figure":
            found[words[1]] = float(words[2])
    return found


def first_difference(actual, expected):
    """Where two byte strings part, with some context, for a failure message."""
    index = next((i for i, (a, b) in enumerate(zip(actual, expected)) if a != b), min(len(actual), len(expected)))
    start = max(0, index - 16)
    return "%d bytes received, %d expected; first difference at byte %d\n  received %s\n  expected %s" % (
        len(actual), len(expected), index, actual[start:index + 24].hex(" "), expected[start:index + 24].hex(" "))


def expect_exact(test, display, expected, what, timeout_ms=10000):
    """Waits for len(expected) bytes, compares every byte the display received since its
    last clear with `expected`, and clears the display's log for the next step."""
    if expected:
        wait_bytes(display, len(expected), timeout_ms)
    actual = received_bytes(display)
    same = actual == expected
    test.check(same, "%s: the display received exactly the %d bytes of the calls, in order" % (what, len(expected)),
               None if same else first_difference(actual, expected))
    display.command("clear-bytes")
    return same


def received_bytes(display):
    """Every byte received since the start or the last clear."""
    lines = display.command("bytes")
    return bytes.fromhex(lines[0]) if lines else b""


def wait_bytes(display, count, timeout_ms=5000):
    """True once `count` bytes have arrived in all, False after the time-out."""
    reply = display.command("wait-bytes %d %d" % (count, timeout_ms), timeout=timeout_ms / 1000 + 10, allow_error=True)
    return not (reply and reply[-1].startswith("ERR"))
