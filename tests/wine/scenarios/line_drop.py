"""The display's line goes away in the middle of a session, as when the cable is pulled: the
virtual display drops its pty between two calls, and again in the middle of a stream of
writes. A compiled client checks that every call returns within its bounds and reports
what a lost display gives; here the bytes are checked: exact while the line is there, a
clean prefix of the stream when it goes, and exact again after the next OpenService."""

from opos_session import BLANK_ROW, PORT, profile_text, ready_display
from stress_session import StressRun, expect_exact, first_difference

# Bytes of the stream the display must have seen before the line is dropped under it.
STREAM_BEFORE_DROP = 4000


def run(test):
    dll = test.install_dll()
    test.register(dll)
    display = test.start_display(PORT)
    test.prefix.import_reg(profile_text(PORT))
    ready_display(display)

    client = StressRun(test, "orvix_wine_stress.exe", "line-drop", timeout=300).start()
    try:
        if not client.expect_step("before"):
            return
        expect_exact(test, display, client.data("before.bin"), "before the drop")
        display.command("drop")
        client.go("before")

        if not client.expect_step("dropped"):
            return
        test.expect_equal(display.state().get("port"), "dropped", "the line is still gone")
        test.expect_equal(display.received_bytes(), b"", "nothing arrived while the line was gone")
        display.command("restore")
        client.go("dropped")

        if not client.expect_step("restored"):
            return
        expect_exact(test, display, client.data("restored.bin"), "after the line came back")
        test.expect_equal(display.rows(), ["BACK AGAIN" + " " * 10, BLANK_ROW], "after the line came back: the rows")
        client.go("restored")
        test.check(display.wait_bytes(STREAM_BEFORE_DROP, 30000), "the stream reaches the display")
        display.command("drop")
        client.flag("dropped")

        if not client.expect_step("streamed"):
            return
        stream = client.data("stream.bin")
        received = display.received_bytes()
        test.check(len(received) >= STREAM_BEFORE_DROP and stream[:len(received)] == received,
                   "the stream arrived in order and unbroken up to the drop (%d of %d bytes)"
                   % (len(received), len(stream)), first_difference(received, stream[:len(received)]))
        test.check(len(received) < len(stream), "the drop cut the stream short")
        display.command("restore")
        display.command("clear-bytes")
        client.go("streamed")

        if not client.expect_step("final"):
            return
        expect_exact(test, display, client.data("final.bin"), "after the stream")
        test.expect_equal(display.rows(), [BLANK_ROW, "AFTER THE STREAM" + " " * 4], "after the stream: the rows")
        client.go("final")
    finally:
        client.finish("the line-drop client")
