"""OpenService against the virtual display on COM7, with the profile that users import:
the device name (profile, alias, wrong letter case), the line settings that reach the port,
device types that open no port, and every identification answer that the display can give."""

from opos_session import (IDENTIFY, OPENED, OPOS_E_ILLEGAL, OPOS_SUCCESS, PORT, expect_duration, expect_received,
                          expect_results, profile_text, ready_display, run_session)

# DisplayText("AB", DISP_DT_NORMAL): reverse video off, blinking off, the text.
TEXT_AB = bytes.fromhex("1F 72 00 1F 45 00 41 42")


def reply_blocks(*blocks):
    """A `reply raw` plan: eight-byte answers, each a first byte and a model name."""
    return "raw " + "".join("%02X%s" % (lead, model.encode("ascii").hex().upper()) for lead, model in blocks)


def device_names(test, display):
    """Only the exact name ORVIX or an alias whose data is exactly ORVIX leads to the
    profile; every other name fails, yet opens and initialises the display all the same."""
    names = [
        ("ORVIX", OPOS_SUCCESS),
        ("PoleDisplay", OPOS_SUCCESS),
        ("orvix", OPOS_E_ILLEGAL),
        ("poledisplay", OPOS_E_ILLEGAL),
        ("Spaced", OPOS_E_ILLEGAL),
    ]
    calls = [("alias:Spaced:ORVIX ", "done")]
    for name, result in names:
        calls += [("open:" + name, result), ("close", OPOS_SUCCESS)]
    ready_display(display)
    session = run_session(test, [step for step, _ in calls], what="device names")
    expect_results(test, session, calls, "device names")
    expect_received(test, display, OPENED * len(names), "every name")


def line_settings(test, display):
    """Wine hands the baud rate and the stop bits of the port on to the pty, but neither
    parity nor data bits; the pty keeps them after the port is closed."""
    cases = [
        ({"Baud": "4800 bps", "StopBit": "2", "Parity": "2", "DataLength": "7"}, {"baud": "4800", "stop-bits": "2"}),
        ({"Baud": "9600", "StopBit": "0", "Parity": "0", "DataLength": "8"}, {"baud": "9600", "stop-bits": "1"}),
    ]
    for values, expected in cases:
        what = ", ".join("%s %s" % item for item in sorted(values.items()))
        ready_display(display)
        calls = [("profile:%s:%s" % item, "done") for item in sorted(values.items())]
        calls += [("open:ORVIX", OPOS_SUCCESS), ("close", OPOS_SUCCESS)]
        session = run_session(test, [step for step, _ in calls], what=what)
        expect_results(test, session, calls, what)
        termios = dict(line.split("=", 1) for line in display.command("termios") if "=" in line)
        test.expect_equal({key: termios.get(key) for key in expected}, expected, "%s: the port's settings" % what)
        test.expect_equal(termios.get("input-baud"), expected["baud"], "%s: the input speed" % what)


def device_types(test, display):
    """A DeviceType that names no port opens nothing: nothing answers, nothing is sent."""
    for device_type in ("Other", "com"):
        ready_display(display)
        what = "DeviceType " + device_type
        calls = [("profile:DeviceType:" + device_type, "done"), ("open:ORVIX", OPOS_E_ILLEGAL),
                 ("text:0:AB", OPOS_SUCCESS), ("close", OPOS_SUCCESS)]
        session = run_session(test, [step for step, _ in calls], what=what)
        expect_results(test, session, calls, what)
        # No port to read: only the three short waits between the retries.
        expect_duration(test, session.call("open:ORVIX"), 300, 1500, what)
        expect_received(test, display, b"", what)


def identification(test, display):
    """Every answer the display can give to the identification request. A retry waits 100
    and 20 ms around a read, and a read that gets nothing waits a second."""
    wrong_lead = (0x06, "KVD5100")
    good = (0x07, "KVD5100")
    cases = [
        # reply plan, result, bytes received, shortest and longest open (ms), what
        ("KVD5100", OPOS_SUCCESS, OPENED + TEXT_AB, 0, 900, "KVD5100 at once"),
        ("KVD5130", OPOS_SUCCESS, OPENED + TEXT_AB, 0, 900, "KVD5130 at once"),
        ("late 1500 KVD5130", OPOS_SUCCESS, OPENED + TEXT_AB, 1000, 3000, "KVD5130 after the first read gave up"),
        (reply_blocks(wrong_lead, wrong_lead, wrong_lead, good), OPOS_SUCCESS, OPENED + TEXT_AB, 300, 1500,
         "a good answer on the third retry"),
        # The port stays open after these: the display is initialised and shows the text.
        (reply_blocks(wrong_lead, wrong_lead, wrong_lead, wrong_lead, good), OPOS_E_ILLEGAL, OPENED + TEXT_AB,
         300, 1500, "four answers with a wrong first byte (the fifth is not read)"),
        ("silent", OPOS_E_ILLEGAL, OPENED + TEXT_AB, 3500, 8000, "no answer"),
        # The port is closed again: neither initialise and clear nor the text reach the display.
        ("KVD5200", OPOS_E_ILLEGAL, IDENTIFY, 0, 900, "an unknown model"),
    ]
    for plan, expected, received, low_ms, high_ms, what in cases:
        ready_display(display, plan)
        calls = [("open:ORVIX", expected), ("text:0:AB", OPOS_SUCCESS), ("close", OPOS_SUCCESS)]
        session = run_session(test, [step for step, _ in calls], what=what)
        expect_results(test, session, calls, what)
        expect_duration(test, session.call("open:ORVIX"), low_ms, high_ms, what)
        expect_received(test, display, received, what)
        test.expect_equal(display.state().get("id-requests"), "1", "%s: one identification request" % what)


def run(test):
    dll = test.install_dll()
    test.register(dll)
    display = test.start_display(PORT)
    test.prefix.import_reg(profile_text(PORT))

    device_names(test, display)
    line_settings(test, display)
    identification(test, display)
    device_types(test, display)
