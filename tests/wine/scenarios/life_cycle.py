"""The life cycle on the virtual display on COM7: calls before the first OpenService, the
claim's wait, the Claimed and DeviceEnabled flags through release, reopen and close, what
reaches the display and what the debug log holds, byte for byte; and the demo's sale."""

from harness import unix_to_windows
from opos_session import (BLANK_ROW, OPENED, OPOS_E_ILLEGAL, OPOS_SUCCESS, PORT, REPOSITORY, expect_duration,
                          expect_file_bytes, expect_received, expect_results, profile_text, ready_display, run_session)

LOG_NAME = "OPOSDebug.txt"


def text_at(column, row, text):
    """What DisplayTextAt with the attribute DISP_DT_NORMAL sends: reverse video off,
    blinking off, the cursor to (column, row), the text."""
    return bytes([0x1F, 0x72, 0x00, 0x1F, 0x45, 0x00, 0x1F, 0x24, column, row]) + text.encode("ascii")


def log_lines(*lines):
    """The log file as written: text mode, so every line ends in CR LF."""
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def expect_log(test, folder, expected, what):
    return expect_file_bytes(test, folder / LOG_NAME, expected, "%s: %s" % (what, LOG_NAME))


def session_in(test, name, steps):
    """Runs a session with a folder of its own as its current directory."""
    folder = test.work_dir / name
    folder.mkdir()
    return folder, run_session(test, steps, cwd=folder, what=name)


def before_open(test, display):
    """Nothing before the first OpenService fails, reaches the port or writes the log, even
    with a profile that switches the log on; the first open then works as ever."""
    ready_display(display)
    calls = [
        ("profile-number:Option:16", "done"),
        ("freeze:1", OPOS_SUCCESS), ("get:1", 0), ("get:3", 0), ("enable:1", "done"), ("get:3", 103),
        ("claim:0", OPOS_SUCCESS), ("get:1", 1),
        ("set:5007:3", "done"), ("set:5018:10", "done"), ("set:5019:4", "done"), ("set:5014:1", "done"),
        ("set:5004:3", "done"), ("setstring:1:x", "done"), ("getstring:1000001", '"Interactive is health"'),
        ("health:1", OPOS_SUCCESS), ("health:2", OPOS_SUCCESS), ("health:3", OPOS_SUCCESS),
        ("text:0:AB", OPOS_SUCCESS), ("textat:2:5:1:CD", OPOS_SUCCESS), ("clear", OPOS_SUCCESS),
        ("scroll:1:1", OPOS_SUCCESS),
        # Refused open or not: it knows no command.
        ("directio:1", OPOS_E_ILLEGAL),
        ("release", OPOS_SUCCESS), ("close", OPOS_SUCCESS),
        ("open:ORVIX", OPOS_SUCCESS), ("get:1", 0), ("get:3", 0), ("close", OPOS_SUCCESS),
    ]
    folder, session = session_in(test, "before-open", [step for step, _ in calls])
    expect_results(test, session, calls, "before the first open")
    expect_received(test, display, OPENED, "before the first open")
    expect_log(test, folder, log_lines(
        "OpenService:",
        "DeviceClass:LineDisplay,DeviceName:ORVIX",
        "GetPropertyNumber:PropIndex:0x1:PIDX_Claimed",
        "return pNumber:0x0",
        "GetPropertyNumber:PropIndex:0x3:PIDX_DeviceEnabled",
        "return pNumber:0x0",
        "======CloseService=====",
    ), "before the first open, only the open and what follows")


def claim_release_reopen(test, display):
    """Open by the alias, claim (waiting its timeout), enable, show text; release closes the
    port while the flags stay readable; the reopen resets them; close leaves DeviceEnabled."""
    ready_display(display)
    calls = [
        ("profile-number:Option:16", "done"),
        ("open:PoleDisplay", OPOS_SUCCESS),
        ("claim:1000", OPOS_SUCCESS), ("get:1", 1),
        ("enable:1", "done"), ("get:3", 103),
        ("textat:1:1:0:COFFEE", OPOS_SUCCESS), ("textat:1:17:0:2.50", OPOS_SUCCESS),
        ("release", OPOS_SUCCESS), ("get:1", 0), ("get:3", 103),
        # The port is closed: this text reaches nothing, yet succeeds.
        ("textat:2:1:0:GONE", OPOS_SUCCESS),
        # Without the port the display's CTS cannot be read, and then counts as present.
        ("claim:0", OPOS_SUCCESS), ("get:1", 1), ("get:3", 103),
        ("open:ORVIX", OPOS_SUCCESS), ("get:1", 0), ("get:3", 0),
        ("claim:0", OPOS_SUCCESS), ("enable:1", "done"),
        ("textat:1:1:0:COFFEE", OPOS_SUCCESS), ("textat:1:17:0:2.50", OPOS_SUCCESS),
        ("textat:2:1:0:TOTAL", OPOS_SUCCESS), ("textat:2:17:0:2.50", OPOS_SUCCESS),
        ("close", OPOS_SUCCESS), ("get:1", 0), ("get:3", 103),
        ("close", OPOS_SUCCESS),
    ]
    folder, session = session_in(test, "life-cycle", [step for step, _ in calls])
    expect_results(test, session, calls, "life cycle")
    expect_duration(test, session.call("claim:1000"), 900, 3000, "ClaimDevice(1000) waits its timeout")
    expect_duration(test, session.call("claim:0"), 0, 500, "ClaimDevice(0) does not wait")

    expect_received(test, display,
                    OPENED + text_at(1, 1, "COFFEE") + text_at(17, 1, "2.50")
                    + OPENED + text_at(1, 1, "COFFEE") + text_at(17, 1, "2.50")
                    + text_at(1, 2, "TOTAL") + text_at(17, 2, "2.50"),
                    "life cycle")
    test.expect_equal(display.rows(), ["COFFEE          2.50",
                                       "TOTAL           2.50"], "life cycle: the screen")

    claimed = ["GetPropertyNumber:PropIndex:0x1:PIDX_Claimed", "return pNumber:0x%x"]
    enabled = ["GetPropertyNumber:PropIndex:0x3:PIDX_DeviceEnabled", "return pNumber:0x%x"]

    def flag(lines, value):
        return [lines[0], lines[1] % value]

    def shown(row, column, text):
        return ["DisplayTextAt:0x%x,0x%x,%s,0x0" % (row, column, text), "DisplayTextAt:coordinate system is (1,1)"]

    expect_log(test, folder, log_lines(
        "OpenService:",
        "DeviceClass:LineDisplay,DeviceName:PoleDisplay",
        "ClaimDevice:0x3e8",
        *flag(claimed, 1),
        "SetPropertyNumber:0x3 :PIDXDisp_DeviceEnabled:0x1",
        *flag(enabled, 0x67),
        *shown(1, 1, "COFFEE"), *shown(1, 0x11, "2.50"),
        "======ReleaseDevice======",
        *flag(claimed, 0), *flag(enabled, 0x67),
        *shown(2, 1, "GONE"),
        "ClaimDevice:0x0",
        *flag(claimed, 1), *flag(enabled, 0x67),
        "OpenService:",
        "DeviceClass:LineDisplay,DeviceName:ORVIX",
        *flag(claimed, 0), *flag(enabled, 0),
        "ClaimDevice:0x0",
        "SetPropertyNumber:0x3 :PIDXDisp_DeviceEnabled:0x1",
        *shown(1, 1, "COFFEE"), *shown(1, 0x11, "2.50"), *shown(2, 1, "TOTAL"), *shown(2, 0x11, "2.50"),
        "======CloseService=====",
        *flag(claimed, 0), *flag(enabled, 0x67),
        "======CloseService=====",
    ), "life cycle")


def log_follows_each_open(test, display):
    """The log shows the name as the caller passed it, and stops at the next open whose
    profile has it off."""
    ready_display(display)
    calls = [
        ("profile-number:Option:16", "done"),
        ("open:orvix", OPOS_E_ILLEGAL), ("close", OPOS_SUCCESS),
        ("profile-number:Option:0", "done"),
        ("open:ORVIX", OPOS_SUCCESS), ("claim:0", OPOS_SUCCESS), ("close", OPOS_SUCCESS),
    ]
    folder, session = session_in(test, "log-off", [step for step, _ in calls])
    expect_results(test, session, calls, "log switched off")
    expect_received(test, display, OPENED + OPENED, "log switched off")
    test.expect_equal(display.rows(), [BLANK_ROW, BLANK_ROW], "log switched off: the screen is blank")
    expect_log(test, folder, log_lines(
        "OpenService:",
        "DeviceClass:LineDisplay,DeviceName:orvix",
        "======CloseService=====",
    ), "log switched off at the second open")


def demo_sale(test, display):
    """The sale of `make demo` (tools/demo/sale.vbs) without its pauses: every call
    succeeds, the display takes every byte it is sent, and the sale ends on the blinking
    thank-you."""
    ready_display(display)
    sale = REPOSITORY / "tools" / "demo" / "sale.vbs"
    result = test.prefix.run(["cscript", "//nologo", unix_to_windows(sale), "PoleDisplay", "0"], cwd=str(test.work_dir))
    test.expect_run(result, "the sale: every call succeeds")
    test.check(result.lines()[-1:] == ["CloseService -> OPOS_SUCCESS"], "the sale ran to its end", result.describe())
    test.expect_equal(display.rows(), ["     THANK YOU      ",
                                       " PLEASE COME AGAIN  "], "the sale's last screen")
    state = display.state()
    test.expect_equal((state.get("blink"), state.get("brightness"), state.get("rejected"), state.get("id-requests")),
                      ("50", "4", "0", "1"), "the sale: blinking, brightness 4, nothing refused, one identification")


def run(test):
    dll = test.install_dll()
    test.register(dll)
    display = test.start_display(PORT)
    test.prefix.import_reg(profile_text(PORT))

    before_open(test, display)
    claim_release_reopen(test, display)
    log_follows_each_open(test, display)
    demo_sale(test, display)
