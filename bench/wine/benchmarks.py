"""The Wine benchmarks (make bench, not make test): bench/wine/bench_main.cpp
times ORVIX.DLL in its own process, each figure beside what it competes with, and this side
feeds it two virtual displays (COM7 for ORVIX.DLL, COM8 for the bare writes), checks that
every byte arrived, turns the displays' arrival times into latencies, and writes the report
(wine-figures.md in the work folder) with the 9600-baud line time of the same bytes.

ORVIX_BENCH_ROUNDS sets the number of throughput rounds (default 50)."""

import os
import statistics
from pathlib import Path

from bench_box import PORT, ready_display
from wine_box import serial_profile
from stress_session import StressRun, figures, received_bytes, wait_bytes

ROUNDS = int(os.environ.get("ORVIX_BENCH_ROUNDS", "50"))
# As in bench_main.cpp.
BLOCK_CALLS = 200
OPEN_ROUNDS = 40
LATENCY_SAMPLES = 300
SILENT_OPENS = 3
FLOOR_PORT = "COM8"
TEXT_AB = bytes.fromhex("1F 72 00 1F 45 00 41 42")
# What an OpenService puts on the line: the request, the display's reply, initialise and
# clear; the bare round trip has only the first two.
OPEN_LINE_BYTES = 5 + 8 + 3
BARE_OPEN_LINE_BYTES = 5 + 8

TARGET_LATE_RATIO = 1.2
TARGET_OPEN_RATIO = 3.0


def line_ms(byte_count, baud=9600):
    """The time the bytes take on a serial line: a start bit, 8 data bits and a stop bit."""
    return byte_count * 10 * 1000.0 / baud


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))] if ordered else float("nan")


def wineserver_cpu_ms(prefix):
    """CPU time (user and system) that the wineserver of `prefix` has used so far, or None.
    Under Wine every PeekMessage is a request to it, so a busy wait costs it CPU too."""
    ticks = os.sysconf("SC_CLK_TCK")
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if not os.readlink(entry / "exe").split("/")[-1].startswith("wineserver"):
                continue
            environment = (entry / "environ").read_bytes().split(b"\0")
            if ("WINEPREFIX=%s" % prefix).encode() not in environment:
                continue
            fields = (entry / "stat").read_text().rsplit(")", 1)[1].split()
            return (int(fields[11]) + int(fields[12])) * 1000.0 / ticks
        except (OSError, ValueError, IndexError):
            continue
    return None


def latencies(samples, arrivals):
    """Nanoseconds from each sample's call to the read that brought its last byte."""
    reads = [tuple(int(field) for field in line.split()) for line in arrivals if line.strip()]
    found = []
    for before_ns, count in samples:
        arrived = next((ns for received, ns in reads if received >= count), None)
        if arrived is not None:
            found.append(arrived - before_ns)
    return found


def latency_figures(test, client, ours, floor):
    """Reads the samples and both displays' arrival times; gives figures in microseconds."""
    samples = {"ours": [], "bare": []}
    returns = {"ours": [], "bare": []}
    for line in client.text("latency.txt").splitlines():
        kind, before, returned, count = line.split()
        samples[kind].append((int(before), int(count)))
        returns[kind].append(int(returned))
    result = {}
    for kind, display in (("ours", ours), ("bare", floor)):
        found = latencies(samples[kind], display.command("arrivals"))
        test.check(len(found) == len(samples[kind]) and found and min(found) > 0,
                   "latency: every %s sample's last byte arrived after its call (%d of %d)"
                   % (kind, len(found), len(samples[kind])))
        if found:
            result["latency-%s-us" % kind] = statistics.median(found) / 1000.0
            result["latency-%s-p90-us" % kind] = percentile(found, 0.9) / 1000.0
        result["return-%s-us" % kind] = statistics.median(returns[kind]) / 1000.0
    return result


def report(values, rounds):
    """The figures as a Markdown table, each beside its competitor and the serial line."""
    def per_second(ns):
        return 1e9 / ns if ns else float("nan")

    line8 = line_ms(len(TEXT_AB))
    rows = [
        "| figure | ORVIX.DLL | beside it | ratio | target | 9600-baud line |",
        "|---|---|---|---|---|---|",
        "| DisplayText(\"AB\") late-bound, Invoke as the Control Object calls | %.1f µs a call (%.0f calls/s) | "
        "bare overlapped WriteFile of the same 8 bytes: %.1f µs (%.0f/s) | %.2f | at most %.1f | %.2f ms (%.0f calls/s) |"
        % (values["late-call-ns"] / 1000, per_second(values["late-call-ns"]), values["bare-write-ns"] / 1000,
           per_second(values["bare-write-ns"]), values["late-ratio"], TARGET_LATE_RATIO, line8, 1000 / line8),
        "| DisplayText(\"AB\") early-bound (vtable) | %.1f µs a call (%.0f calls/s) | the same bare write | %.2f | — | "
        "%.2f ms |" % (values["early-call-ns"] / 1000, per_second(values["early-call-ns"]), values["early-ratio"], line8),
        "| OpenService, display answering at once | %.2f ms | bare open, 5-byte request, 8-byte reply on the same "
        "port: %.2f ms | %.2f | at most %.0f | %.1f ms (%d bytes); bare: %.1f ms (%d bytes) |"
        % (values["open-ns"] / 1e6, values["bare-open-ns"] / 1e6, values["open-ratio"], TARGET_OPEN_RATIO,
           line_ms(OPEN_LINE_BYTES), OPEN_LINE_BYTES, line_ms(BARE_OPEN_LINE_BYTES), BARE_OPEN_LINE_BYTES),
    ]
    if "latency-ours-us" in values and "latency-bare-us" in values:
        rows.append(
            "| DisplayText(\"AB\") call to its last byte at the display (median, 90th percentile) | %.0f µs, %.0f µs "
            "(the call returns after %.0f µs) | bare write to its last byte: %.0f µs, %.0f µs (returns after %.0f µs) "
            "| %.2f | — | %.2f ms |"
            % (values["latency-ours-us"], values["latency-ours-p90-us"], values["return-ours-us"],
               values["latency-bare-us"], values["latency-bare-p90-us"], values["return-bare-us"],
               values["latency-ours-us"] / values["latency-bare-us"], line8))
    server = values.get("silent-open-server-cpu-ms")
    rows.append(
        "| CPU time of OpenService against a silent display | %.0f ms of %.0f ms%s | — | — | reported only | — |"
        % (values["silent-open-cpu-ms"], values["silent-open-wall-ms"],
           "" if server is None else ", and %.0f ms of the wineserver's" % server))
    notes = ("Medians over %d rounds of %d calls each (throughput), %d OpenService rounds, %d latency samples; "
             "each round of ORVIX.DLL interleaved with its bare counterpart."
             % (rounds, BLOCK_CALLS, OPEN_ROUNDS, LATENCY_SAMPLES))
    if "bare-profile-read-ns" in values and "bare-line-settings-ns" in values:
        notes += (" Two steps of OpenService that the bare round trip lacks, each done bare in the same run: reading "
                  "the device profile from the registry %.2f ms, raising RTS and DTR with the nine read-modify-write "
                  "line settings %.2f ms." % (values["bare-profile-read-ns"] / 1e6, values["bare-line-settings-ns"] / 1e6))
    return "\n".join(rows) + "\n\n" + notes + "\n"


def run(test):
    dll = test.install_dll()
    test.register(dll)
    ours = test.start_display(PORT)
    floor = test.start_display(FLOOR_PORT)
    test.import_reg(serial_profile(PORT))
    ready_display(ours)
    ready_display(floor)

    client = StressRun(test, "orvix_wine_bench.exe", None, [ROUNDS], timeout=1200).start()
    values = {}
    try:
        if not client.expect_step("opened"):
            return
        for display in (ours, floor):
            display.command("clear-bytes")
        client.go("opened")

        if not client.expect_step("throughput"):
            return
        calls = (ROUNDS + 1) * BLOCK_CALLS * 2
        for display, what in ((ours, "ORVIX.DLL on %s" % PORT), (floor, "the bare writes on %s" % FLOOR_PORT)):
            wait_bytes(display, calls * len(TEXT_AB), 20000)
            test.check(received_bytes(display) == TEXT_AB * calls,
                       "throughput: %s delivered all %d writes, every byte in order" % (what, calls))
            display.command("clear-bytes")
        client.go("throughput")

        if not client.expect_step("latency"):
            return
        values.update(latency_figures(test, client, ours, floor))
        client.go("latency")

        if not client.expect_step("silent"):
            return
        ours.command("reply silent")
        ours.command("flush")
        server_before = wineserver_cpu_ms(test.prefix.path)
        client.go("silent")
    finally:
        result = client.finish("the benchmark client")
    values.update(figures(result))
    server_after = wineserver_cpu_ms(test.prefix.path)
    if server_before is not None and server_after is not None:
        # The client's last seconds are the silent opens; its exit adds a little.
        values["silent-open-server-cpu-ms"] = (server_after - server_before) / SILENT_OPENS

    needed = ("late-call-ns", "early-call-ns", "bare-write-ns", "late-ratio", "early-ratio", "open-ns",
              "bare-open-ns", "open-ratio", "silent-open-cpu-ms", "silent-open-wall-ms")
    if not test.check(all(name in values for name in needed), "every figure was measured"):
        return
    text = report(values, ROUNDS)
    print(text, flush=True)
    (test.work_dir / "wine-figures.md").write_text(text, encoding="utf-8")
    # Reported, not failed: a missed target is a finding for docs/performance.md, and this
    # machine's load moves the ratios.
    for met, what in ((values["late-ratio"] <= TARGET_LATE_RATIO,
                       "late-bound DisplayText(\"AB\") at most %.1f times the bare write of its 8 bytes (%.2f)"
                       % (TARGET_LATE_RATIO, values["late-ratio"])),
                      (values["open-ratio"] <= TARGET_OPEN_RATIO,
                       "OpenService at most %.0f times the bare open, request and reply (%.2f)"
                       % (TARGET_OPEN_RATIO, values["open-ratio"]))):
        print("target %s: %s" % ("met" if met else "MISSED", what), flush=True)
