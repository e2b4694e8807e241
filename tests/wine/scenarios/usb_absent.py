"""USB profiles whose display is not there (this prefix has no USB device at all): the
compiled client opens, times the opening and every later call, and counts handles over
repeated opens. Once with the display of DeviceID 0x1102, once with 0x1001, which names no
display and makes the module show its message box; in this headless prefix MessageBoxA
returns at once, so that path runs too, under the same time limit."""

from harness import HarnessError

PROFILE = r"""REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay\ORVIX]
@="OPOS.ORVIX"
"DeviceType"="USB"
"DeviceID"=dword:%08x
"Option"=dword:00000000
"""

# Far above what the mode needs (about 7 s); a module that hangs fails here instead of
# holding the suite.
CLIENT_TIMEOUT = 60


def run_absent(test, selector, what):
    test.prefix.import_reg(PROFILE % selector)
    client = test.prefix.install(test.client, "orvix-tests")
    try:
        result = test.prefix.run([client, "usb-absent"], timeout=CLIENT_TIMEOUT)
    except HarnessError as error:
        test.check(False, "%s: the client ended within %d s" % (what, CLIENT_TIMEOUT), error)
        return
    summary = [line for line in result.lines() if line.startswith("checks: ")]
    passed = result.returncode == 0 and summary and summary[-1].endswith(", 0 failed")
    test.check(bool(passed), "%s: every check of the client passed" % what, result.describe())


def run(test):
    dll = test.install_dll()
    test.register(dll)
    test.require(test.client)
    run_absent(test, 0x1102, "USB display 0x1102 missing")
    run_absent(test, 0x1001, "USB selector 0x1001 (no such display, message box)")
