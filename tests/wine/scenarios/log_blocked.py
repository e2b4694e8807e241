"""The debug log file cannot be opened: the profile switches the log on, but the current
directory holds a directory named OPOSDebug.txt (the tests run as root, who may write
anywhere, so a read-only folder would not stop the log). Every call must go on exactly as
with the log off, and as with the log written: same results, same bytes at the display."""

from opos_session import OPENED, PORT, expect_received, expect_results, profile_text, ready_display, run_session

LOG_NAME = "OPOSDebug.txt"

CALLS = [
    ("open:ORVIX", 0), ("claim:0", 0), ("enable:1", "done"), ("get:3", 103),
    ("textat:1:1:0:LOG BLOCKED", 0), ("text:1:!", 0), ("set:5007:3", "done"),
    ("health:1", 0), ("getstring:1000001", '"Interactive is health"'), ("scroll:3:4", 0),
    ("directio:1", 106), ("freeze:1", 0), ("get:1", 1), ("release", 0), ("close", 0),
]

RECEIVED = (OPENED
            + bytes.fromhex("1F 72 00 1F 45 00 1F 24 01 01") + b"LOG BLOCKED"
            + bytes.fromhex("1F 72 00 1F 45 01") + b"!"
            + bytes.fromhex("1F 58 03")
            + bytes.fromhex("1B 40") + b"Test"
            + bytes.fromhex("1B 40") + b"CheckHealth~AaBbCcDdEeFfGgHhIiJjKkLlMmNn"
            # Scrolled left by four: row 1 was "LOG BLOCKED!", row 2 blank.
            + bytes.fromhex("1F 01 0C") + b"BLOCKED!".ljust(20) + b" " * 20)


def session(test, display, name, option, block_log):
    folder = test.work_dir / name
    folder.mkdir()
    if block_log:
        (folder / LOG_NAME).mkdir()
    ready_display(display)
    steps = ["profile-number:Option:%d" % option] + [step for step, _ in CALLS]
    result = run_session(test, steps, cwd=folder, what=name)
    expect_results(test, result, [("profile-number:Option:%d" % option, "done")] + CALLS, name)
    expect_received(test, display, RECEIVED, name)
    return folder, result


def run(test):
    dll = test.install_dll()
    test.register(dll)
    display = test.start_display(PORT)
    test.prefix.import_reg(profile_text(PORT))

    blocked, blocked_session = session(test, display, "log-blocked", 0x10, block_log=True)
    test.check((blocked / LOG_NAME).is_dir() and not any((blocked / LOG_NAME).iterdir()),
               "the directory named %s is still an empty directory" % LOG_NAME)
    test.expect_equal(sorted(path.name for path in blocked.iterdir()), [LOG_NAME],
                      "nothing else was written in the current directory")
    slowest = max(blocked_session.calls, key=lambda call: call.ms)
    test.check(slowest.ms < 1000, "no call waited on the log (slowest: %r)" % slowest)

    # The same session with the log written, to be sure that it was on, and with it off.
    written, _ = session(test, display, "log-written", 0x10, block_log=False)
    log = (written / LOG_NAME).read_bytes() if (written / LOG_NAME).is_file() else b""
    test.check(log.startswith(b"OpenService:\r\nDeviceClass:LineDisplay,DeviceName:ORVIX\r\n"),
               "with a writable directory the same session writes the log", log[:200])
    off, _ = session(test, display, "log-off", 0, block_log=False)
    test.check(not (off / LOG_NAME).exists(), "with the log off no file is written")
