"""A script session in step with the virtual display.

The script (JScript or VBScript, tests/wine/scripts) calls ORVIX.DLL and, after each group
of calls, announces a step and waits (see _StepServer). Meanwhile this side checks what the
display received since the last step, byte for byte, and what it shows, against what the
step lists, then lets the script go on.
The script checks the result codes and property values itself and prints one line per
check; those lines are compared with the script's .expected file at the end.

The DLL writes to the serial port without waiting for the write to finish, so the bytes of
a step may still be on their way when the script announces it: each step waits for its
count, and the bytes that follow in the display's log show whatever came on top.
"""

import http.server
import queue
import threading
import time
import urllib.parse

from harness import HarnessError

STEP_WAIT_SECONDS = 60
# How long a step that expects nothing waits for bytes that should not come.
QUIET_SECONDS = 0.4

BLANK = " " * 20


def wire(*parts):
    """The bytes of a write, from hex texts ("1F 72 00") and b"..." literals (the text bytes
    of the write, exactly as the display should get them)."""
    data = b""
    for part in parts:
        data += part if isinstance(part, bytes) else bytes.fromhex(part)
    return data


class Step:
    """What the display must have received and must show when the script announces `name`.

    sent: every byte since the previous step, in order (b"" for none).
    rows: the two rows as shown, written out in full (20 characters each), or None.
    cells: the 40 cells as hex, for characters that `rows` cannot tell apart, or None.
    state: some of the display's `state` values, e.g. {"blink": "1"}.
    before_ack: called with the test after the checks and before the script goes on.
    """

    def __init__(self, name, sent=b"", rows=None, cells=None, state=None, before_ack=None):
        self.name = name
        self.sent = sent
        self.rows = rows
        self.cells = cells
        self.state = state or {}
        self.before_ack = before_ack


def _hex(data):
    return " ".join("%02X" % byte for byte in data)


def _check_step(test, display, label, step, received_before):
    """Checks one step; gives the display's byte count afterwards. The display's byte log
    is never cleared during a session, so that no byte can slip between reading the log
    and clearing it."""
    expected_total = received_before + len(step.sent)
    if step.sent:
        display.wait_bytes(expected_total, 5000)
    else:
        time.sleep(QUIET_SECONDS)
    log = display.received_bytes()
    test.expect_equal(_hex(log[received_before:]), _hex(step.sent),
                      "%s: the display received exactly these bytes" % label)
    if step.rows is not None:
        test.expect_equal(display.rows(), list(step.rows), "%s: the rows" % label)
    if step.cells is not None:
        test.expect_equal(display.command("cells"), [step.cells], "%s: the cells" % label)
    if step.state:
        state = display.state()
        shown = {key: state.get(key) for key in step.state}
        test.expect_equal(shown, step.state, "%s: the display's settings" % label)
    return len(log)


class _StepServer:
    """The script's steps arrive as HTTP requests (GET /step?n=N&name=...), each held open
    until the test lets the script go on: Wine's script host has no WScript.Sleep and no
    standard input, but a synchronous WinHttpRequest blocks it without burning the CPU."""

    def __init__(self):
        self.steps = queue.Queue()
        owner = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                query = urllib.parse.parse_qs(urllib.parse.urlparse(self.path).query)
                go_ahead = threading.Event()
                owner.steps.put((query.get("n", ["?"])[0], query.get("name", ["?"])[0], go_ahead))
                answer = b"go" if go_ahead.wait(STEP_WAIT_SECONDS * 2) else b"stop"
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                self.send_header("Content-Length", str(len(answer)))
                self.end_headers()
                self.wfile.write(answer)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def next_step(self, still_running):
        """(number, name, go-ahead event) of the next step, or None when the script ended
        or did not come within STEP_WAIT_SECONDS."""
        deadline = time.monotonic() + STEP_WAIT_SECONDS
        while time.monotonic() < deadline:
            try:
                return self.steps.get(timeout=0.05)
            except queue.Empty:
                if not still_running():
                    return None
        return None

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def run_session(test, display, script_name, steps, timeout=180):
    """Runs tests/wine/scripts/SCRIPT_NAME in step with `steps` and compares its printed
    checks with SCRIPT_NAME.expected. The script gets the port of the step server as its
    argument."""
    server = _StepServer()
    # Wine's WinHttpRequest takes a proxy from these even when told to connect directly, and
    # a proxy cannot reach this machine's loopback address.
    for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
        test.prefix.env.pop(name, None)
    outcome = {}

    def run_script():
        try:
            outcome["result"] = test.prefix.cscript(test.scripts_dir / script_name, str(server.port), timeout=timeout)
        except HarnessError as error:
            outcome["error"] = error

    runner = threading.Thread(target=run_script, daemon=True)
    display.command("clear-bytes")
    received = 0
    runner.start()
    try:
        for number, step in enumerate(steps, 1):
            label = "%s step %d (%s)" % (script_name, number, step.name)
            announced = server.next_step(runner.is_alive)
            if announced is None:
                test.check(False, "%s: the script reached the step" % label,
                           outcome["result"].describe() if "result" in outcome else outcome.get("error"))
                break
            test.expect_equal(announced[:2], (str(number), step.name), "%s: the script is at this step" % label)
            received = _check_step(test, display, label, step, received)
            if step.before_ack is not None:
                step.before_ack(test)
            announced[2].set()
        runner.join(timeout + 10)
    finally:
        server.close()

    if "error" in outcome or "result" not in outcome:
        test.check(False, "%s ran to its end" % script_name, outcome.get("error"))
        return None
    result = outcome["result"]
    expected = (test.scripts_dir / (script_name + ".expected")).read_text(encoding="utf-8")
    same = result.stdout.strip("\n") == expected.strip("\n")
    detail = result.describe() + ("" if same else "--- expected\n" + expected)
    test.check(same and result.returncode == 0, "%s: the script's own checks" % script_name, detail)
    # Nothing after the last step.
    time.sleep(QUIET_SECONDS)
    test.expect_equal(len(display.received_bytes()), received,
                      "%s: nothing reached the display after the last step" % script_name)
    return result
