"""A JScript session on the virtual display under a lenient profile: two lines, blinking,
reverse video, the four scroll directions, the cursor properties against the text
operations, the setting properties' commands, the health check, characters outside code
page 1252, and text sent after ReleaseDevice. Every step's bytes are checked exactly and
the rows against rows written out here."""

from display_session import BLANK, Step, run_session, wire

PROFILE = r"""REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay]
"PoleDisplay"="ORVIX"

[HKEY_LOCAL_MACHINE\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay\ORVIX]
@="OPOS.ORVIX"
"DeviceType"="COM"
"COMPORT"="COM7"
"Baud"="9600"
"Parity"="0"
"DataLength"="8"
"StopBit"="0"
"Option"=dword:00000000
"""

OPEN = "02 05 45 4F 03 1B 40 0C"  # identification request, then initialise and clear
NORMAL = "1F 72 00 1F 45 00"  # reverse video off, blinking off
REDRAW = "1F 01 0C"  # overwrite mode and clear, before the forty cells of a scroll

HEALTH_ROWS = ["CheckHealth~AaBbCcDd", "EeFfGgHhIiJjKkLlMmNn"]
HEALTH_TEXT = b"CheckHealth~AaBbCcDdEeFfGgHhIiJjKkLlMmNn"
# The display's settings right after ESC @.
POWER_ON = {"brightness": "4", "blink": "0", "reverse": "0", "cursor": "hidden", "mode": "overwrite"}


def steps():
    total_row = "TOTAL          12.50"
    after_row = ["XYZ                 ", "    QB              "]
    after_column = ["XYZ                 ", "    QB   mid     end"]
    converted = "Café €5 ?ñü?£       "
    return [
        Step("open", wire(OPEN), rows=[BLANK, BLANK],
             state=dict(POWER_ON, row="1", column="1", rejected="0")),

        Step("two lines",
             wire(NORMAL, b"Coffee", NORMAL, b"  2.50", NORMAL, "1F 24 01 02", total_row.encode()),
             rows=["Coffee  2.50        ", total_row],
             # After the last cell of row 2 the display goes on at the first of row 1.
             state={"row": "1", "column": "1", "blink": "0", "reverse": "0"}),
        Step("DisplayTextAt blinking", wire("1F 72 00 1F 45 32 1F 24 0F 01", b"PAID"),
             rows=["Coffee  2.50  PAID  ", total_row], state={"blink": "50", "reverse": "0", "column": "19"}),
        Step("DisplayText blinking and reversed", wire("1F 72 01 1F 45 01", b"!!"),
             rows=["Coffee  2.50  PAID!!", total_row], state={"blink": "1", "reverse": "1", "row": "2", "column": "1"}),
        Step("blink rate 100", wire("1F 45 64"), state={"blink": "100"}),
        Step("blink rate 300", wire("1F 45 FF"), state={"blink": "255"}),

        # A scroll sends no blink or reverse command: the display keeps both.
        Step("scroll up", wire(REDRAW, total_row.encode(), BLANK.encode()), rows=[total_row, BLANK],
             state={"blink": "255", "reverse": "1", "mode": "overwrite"}),
        Step("scroll right", wire(REDRAW, b"   TOTAL          12", BLANK.encode()),
             rows=["   TOTAL          12", BLANK]),
        Step("scroll down", wire(REDRAW, BLANK.encode(), b"   TOTAL          12"),
             rows=[BLANK, "   TOTAL          12"]),
        Step("scroll left", wire(REDRAW, BLANK.encode(), b"TAL          12     "),
             rows=[BLANK, "TAL          12     "]),
        Step("clear", wire("0C"), rows=[BLANK, BLANK], state={"row": "1", "column": "1"}),

        # The column goes out with the row of the last move (row 1, from PAID), then the row.
        Step("cursor set", wire("1F 24 05 01 1F 24 05 02"), rows=[BLANK, BLANK],
             state={"row": "2", "column": "5"}),
        Step("text at the cursor", wire(NORMAL, b"AB"), rows=[BLANK, "    AB              "]),
        Step("mirror after the cursor", wire(REDRAW, BLANK.encode(), b"    AB              "),
             rows=[BLANK, "    AB              "]),
        # The row alone goes out with the column of the last move (5).
        Step("row set on its own", wire(NORMAL, b"XYZ", "1F 24 05 02"),
             rows=["XYZ                 ", "    AB              "], state={"row": "2", "column": "5"}),
        Step("text after the row", wire(NORMAL, b"Q"), rows=after_row),
        Step("mirror after the row", wire(REDRAW, b"XYZ                 ", b"    QB              "), rows=after_row),
        # The column alone goes out with the row of the last move (2, from "end").
        Step("column set on its own", wire(NORMAL, "1F 24 12 02", b"end", "1F 24 0A 02"),
             rows=["XYZ                 ", "    QB           end"], state={"row": "2", "column": "10"}),
        Step("text after the column", wire(NORMAL, b"mid"), rows=after_column),
        Step("mirror after the column", wire(REDRAW, b"XYZ                 ", b"    QB   mid     end"),
             rows=after_column),

        # Only the brightness of all the writes before it reaches the display.
        Step("brightness 3", wire("1F 58 03"), rows=after_column, state={"brightness": "3"}),
        Step("brightness 9", wire("1F 58 04"), state={"brightness": "4"}),
        Step("brightness 0", wire("1F 58 01"), state={"brightness": "1"}),
        Step("cursor shown", wire("1F 23 01"), state={"cursor": "shown"}),
        Step("cursor type 2", wire("1F 23 01"), state={"cursor": "shown"}),
        Step("cursor hidden", wire("1F 23 00"), state={"cursor": "hidden"}),
        Step("vertical scroll mode", wire("1F 02"), state={"mode": "vertical"}),
        Step("horizontal scroll mode", wire("1F 03"), state={"mode": "horizontal"}),
        Step("a scroll in overwrite mode", wire(REDRAW, b"XYZ                 ", b"    QB   mid     end"),
             rows=after_column, state={"mode": "overwrite"}),
        Step("vertical scroll mode again", wire("1F 02"), state={"mode": "vertical"}),
        Step("overwrite mode", wire("1F 01"), state={"mode": "overwrite"}),

        # The health check initialises the display first: the settings go back to power-on.
        Step("health check 1", wire("1B 40", b"Test"), rows=["Test                ", BLANK],
             state=dict(POWER_ON, row="1", column="5")),
        Step("health check 2", wire("1B 40", b"External is health"), rows=["External is health  ", BLANK]),
        Step("health check 3", wire("1B 40", HEALTH_TEXT), rows=HEALTH_ROWS, state=dict(POWER_ON, row="1", column="1")),
        # The mirror still holds the text from before the checks.
        Step("mirror after the health check", wire(REDRAW, b"XYZ                 ", b"    QB   mid     end"),
             rows=after_column),
        Step("CheckHealthText", wire("0C 1B 40", HEALTH_TEXT), rows=HEALTH_ROWS),

        # Code page 1252: e acute E9, euro 80, pound A3, n tilde F1, u umlaut FC; the
        # Cyrillic zhe and the CJK sign have no byte there and become '?'.
        Step("code page 1252", wire(NORMAL, "1F 24 01 01 43 61 66 E9 20 80 35 20 3F"),
             rows=["Café €5 ?th~AaBbCcDd", HEALTH_ROWS[1]],
             cells="43 61 66 E9 20 80 35 20 3F 74 68 7E 41 61 42 62 43 63 44 64 "
                   "45 65 46 66 47 67 48 68 49 69 4A 6A 4B 6B 4C 6C 4D 6D 4E 6E"),
        Step("code page 1252 at the cursor", wire("1F 72 01 1F 45 00 F1 FC 3F A3"),
             rows=["Café €5 ?ñü?£aBbCcDd", HEALTH_ROWS[1]], state={"reverse": "1"}),
        Step("mirror of the converted text",
             wire(REDRAW, "43 61 66 E9 20 80 35 20 3F F1 FC 3F A3", b"       ", BLANK.encode()),
             rows=[converted, BLANK]),

        # The port is closed: the display sees nothing of what follows, and keeps its text.
        Step("released", b"", rows=[converted, BLANK], state={"brightness": "4", "mode": "overwrite"}),
        Step("opened again", wire(OPEN), rows=[BLANK, BLANK], state=dict(POWER_ON, rejected="0")),
    ]


def run(test):
    dll = test.install_dll()
    test.register(dll)
    test.prefix.import_reg(PROFILE)
    display = test.start_display("COM7")
    run_session(test, display, "text_session.js", steps())
