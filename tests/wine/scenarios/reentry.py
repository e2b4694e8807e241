"""Window messages that call into the object while OpenService waits for the display: a
compiled client's timer writes on every tick and opens the service again inside a silent
OpenService; a posted message does the same inside an OpenService whose answer comes late.
The client checks the results, the times and its quit message; here every byte is checked
in the order of the calls, the nested ones included."""

from opos_session import BLANK_ROW, PORT, profile_text, ready_display
from stress_session import StressRun, expect_exact


def run(test):
    dll = test.install_dll()
    test.register(dll)
    display = test.start_display(PORT)
    test.prefix.import_reg(profile_text(PORT))

    client = StressRun(test, "orvix_wine_stress.exe", "reentry", timeout=300).start()
    try:
        if not client.expect_step("ready"):
            return
        ready_display(display, "silent")
        client.go("ready")

        if not client.expect_step("silent"):
            return
        test.expect_equal(display.state().get("id-requests"), "2", "silent: two identification requests, one nested")
        expect_exact(test, display, client.data("silent.bin"), "silent display, timer")
        ready_display(display, "late 1500 KVD5100")
        client.go("silent")

        if not client.expect_step("late"):
            return
        state = display.state()
        test.expect_equal((state.get("id-requests"), state.get("replies-owed")), ("2", "0"),
                          "late display: two requests, both answers taken")
        expect_exact(test, display, client.data("late.bin"), "late display, posted message")
        ready_display(display, "KVD5100")
        client.go("late")

        if not client.expect_step("final"):
            return
        expect_exact(test, display, client.data("final.bin"), "afterwards")
        test.expect_equal(display.rows(), ["AFTER" + " " * 15, BLANK_ROW], "afterwards: the rows")
        client.go("final")
    finally:
        client.finish("the re-entry client")
