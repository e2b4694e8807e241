"""The profile's "Option" under a VBScript session on the virtual display: strict (0x1)
refuses bad arguments of the text operations with nothing sent, lenient (0) repairs them,
zero-based (0x100, with strict) shifts DisplayTextAt's coordinates. The option is changed
in the registry while the script waits, and takes effect at its next OpenService."""

from display_session import BLANK, Step, run_session, wire
from orvix_registry import PROFILE_KEY

PROFILE = r"""REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay\ORVIX]
@="OPOS.ORVIX"
"DeviceType"="COM"
"COMPORT"="COM7"
"Baud"="9600"
"Parity"="0"
"DataLength"="8"
"StopBit"="0"
"Option"=dword:00000001
"""

OPEN = "02 05 45 4F 03 1B 40 0C"
REDRAW = "1F 01 0C"


def set_option(value):
    def change(test):
        result = test.prefix.reg("add", PROFILE_KEY, "/v", "Option", "/t", "REG_DWORD", "/d", str(value), "/f")
        test.expect_run(result, "Option set to 0x%x" % value)
    return change


def steps():
    wrapped = ["B                   ", "                   A"]
    repaired = ["C                  B", " D  A               "]
    return [
        Step("open strict", wire(OPEN), rows=[BLANK, BLANK]),
        # Of all the calls before it, only the last one reaches the display.
        Step("strict refusals", wire("1F 72 00 1F 45 00 1F 24 14 02", b"AB"), rows=wrapped,
             state={"rejected": "0"}),
        Step("strict mirror", wire(REDRAW, wrapped[0].encode(), wrapped[1].encode()), rows=wrapped),
        Step("strict right 20", wire(REDRAW, (BLANK * 2).encode()), rows=[BLANK, BLANK],
             before_ack=set_option(0)),

        Step("open lenient", wire(OPEN), rows=[BLANK, BLANK]),
        # An unknown attribute keeps the blink and reverse settings, here those of the reset.
        Step("lenient bad attribute", wire("1F 72 00 1F 45 32", b"X"), rows=["X                   ", BLANK],
             state={"blink": "50", "reverse": "0"}),
        Step("lenient coordinates",
             wire("1F 72 00 1F 45 32 1F 24 05 02", b"A", "1F 72 00 1F 45 00 1F 24 14 01", b"B",
                  "1F 72 01 1F 45 00 1F 24 01 01", b"C", "1F 72 01 1F 45 00 1F 24 02 02", b"D"),
             rows=repaired, state={"blink": "0", "reverse": "1"}),
        Step("lenient bad direction", wire(REDRAW, repaired[0].encode(), repaired[1].encode()), rows=repaired),
        Step("lenient negative units", wire(REDRAW, repaired[0].encode(), repaired[1].encode()), rows=repaired),
        Step("lenient units above the range", wire(REDRAW, (BLANK * 2).encode()), rows=[BLANK, BLANK],
             before_ack=set_option(0x101)),

        Step("open zero-based", wire(OPEN), rows=[BLANK, BLANK]),
        Step("zero-based", wire("1F 72 00 1F 45 00 1F 24 01 01", b"A", "1F 72 00 1F 45 00 1F 24 14 02", b"Z"),
             rows=["A                   ", "                   Z"], state={"rejected": "0"}),
    ]


def run(test):
    dll = test.install_dll()
    test.register(dll)
    test.prefix.import_reg(PROFILE)
    display = test.start_display("COM7")
    run_session(test, display, "option_profiles.vbs", steps())
