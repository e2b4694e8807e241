"""The soak: a compiled client makes ORVIX_SOAK_CALLS (default 100000) mixed calls through
late binding, as the Control Object makes them, against the virtual display on COM7. Every
byte is checked in order at the display, chunk by chunk, and the client compares a fresh
handle's value and its committed private memory after the first thousand calls with the
same at the end."""

import os
import time

from bench_box import PORT, ready_display
from wine_box import serial_profile
from stress_session import StressRun, expect_exact, measures

CALLS = int(os.environ.get("ORVIX_SOAK_CALLS", "100000"))
SEED = int(os.environ.get("ORVIX_SOAK_SEED", "20240"))


def run(test):
    dll = test.install_dll()
    test.register(dll)
    display = test.start_display(PORT)
    test.import_reg(serial_profile(PORT))
    ready_display(display)

    started = time.monotonic()
    client = StressRun(test, "orvix_wine_soak.exe", None, [CALLS, SEED], timeout=1800).start()
    chunks = 0
    exact = 0
    received = 0
    while True:
        step = client.next_step()
        if step is None:
            break
        chunks += 1
        expected = client.data(step + ".bin")
        received += len(expected)
        if expect_exact(test, display, expected, "soak %s" % step):
            exact += 1
        client.go(step)
    result = client.finish("the soak client")
    seconds = time.monotonic() - started

    test.check(chunks > 0 and exact == chunks, "soak: every chunk of bytes exact (%d of %d)" % (exact, chunks))
    test.expect_equal(display.state().get("rejected"), "0", "soak: the display knew every command it got")
    start = measures(result, "start")
    end = measures(result, "end")
    if start and end:
        report = ("soak: {:,} calls in {:.0f} s, {:,} bytes to the display, {}; fresh handle "
                  "0x{:x} after {:,} calls and 0x{:x} after {:,}; committed private memory {:,} and {:,} bytes".format(
                      int(end[0]["calls"]), seconds, received,
                      "every one as expected" if exact == chunks else "NOT every one as expected",
                      int(start[0]["handle"], 16), int(start[0]["calls"]),
                      int(end[0]["handle"], 16), int(end[0]["calls"]), int(start[0]["private"]),
                      int(end[0]["private"])))
        print(report, flush=True)
        (test.work_dir / "soak-figures.txt").write_text(report + "\n")
