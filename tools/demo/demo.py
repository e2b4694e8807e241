#!/usr/bin/env python3
"""The ORVIX demo (`make demo`): a sale on a virtual pole display, through the real
ORVIX.DLL under Wine, with nobody at the keyboard.

    tools/demo/demo.py [--build DIR]

It makes (once) a Wine prefix under DIR/demo, registers DIR/win64/ORVIX.DLL with regsvr32,
starts the virtual pole display (DIR/host/tools/vpd/orvix-vpd) and draws it on this
terminal, maps COM7 to it, imports the serial device profile that the package writes (on
COM7), and runs tools/demo/sale.vbs with cscript. Ends with 0 when every call succeeded and the display shows the sale's last
screen, and with 1 and the reason otherwise.
"""

import argparse
import os
import signal
import sys
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPOSITORY = HERE.parents[1]
sys.path.insert(0, str(HERE))

from wine_box import REGEDIT, SYSTEM32, Prefix, VirtualDisplay, WineError, serial_profile, unix_to_windows  # noqa: E402

PORT = "COM7"
# What `msiexec /i orvix-<version>-x64.msi CONNECTION=COM PORT=COM7 LOGICALNAME=PoleDisplay`
# writes (INSTALL.txt).
PROFILE_SETTINGS = 'CONNECTION=COM PORT=%s LOGICALNAME=PoleDisplay' % PORT
SESSION = HERE / "sale.vbs"
SESSION_TIMEOUT = 90
# What the sale leaves on the display: the thank-you, blinking.
LAST_ROWS = ["     THANK YOU      ", " PLEASE COME AGAIN  "]


class DemoFailure(Exception):
    pass


def say(text=""):
    print(text, flush=True)




class Screen:
    """Where the virtual display draws itself: this terminal, redrawn in place; or else this
    program's output, one picture after the other. Into a file or pipe the pictures go
    through this program, so that they stay in order with its own lines."""

    def __init__(self):
        self.path = None
        self._copier = None
        self._write_end = None

    def __enter__(self):
        if os.isatty(1):
            self.path = os.ttyname(1)
            return self
        read_end, self._write_end = os.pipe()
        self.path = "/proc/%d/fd/%d" % (os.getpid(), self._write_end)
        self._copier = threading.Thread(target=self._copy, args=(read_end,), daemon=True)
        self._copier.start()
        return self

    def display_started(self):
        # The display has opened the pipe itself: it alone keeps it open from now on.
        if self._write_end is not None:
            os.close(self._write_end)
            self._write_end = None

    @staticmethod
    def _copy(read_end):
        with os.fdopen(read_end, "rb", buffering=0) as pictures:
            for chunk in iter(lambda: pictures.read(65536), b""):
                sys.stdout.buffer.write(chunk)
                sys.stdout.buffer.flush()

    def __exit__(self, *exc):
        self.display_started()
        if self._copier is not None:
            self._copier.join(timeout=5)


def run_demo(build):
    dll = build / "win64" / "ORVIX.DLL"
    vpd = build / "host" / "tools" / "vpd" / "orvix-vpd"
    for path, how in ((dll, "make dll"), (vpd, "make host")):
        if not path.is_file():
            raise DemoFailure("%s is missing (build it with %s)" % (path, how))

    work = build / "demo"
    work.mkdir(parents=True, exist_ok=True)
    prefix = Prefix(work / "prefix", work / "logs")
    display = None
    try:
        say("== ORVIX demo: a sale on a virtual KVD5100 pole display, through ORVIX.DLL under Wine")
        say("-> Wine prefix %s" % prefix.path)
        if prefix.ready():
            say("   (made it; next time it is reused)")
        prefix.start()

        module = prefix.install(dll, "orvix", "ORVIX.DLL")
        say("-> regsvr32 %s" % module)
        result = prefix.run(SYSTEM32 + "regsvr32.exe", "/s", module)
        if result.returncode != 0:
            raise DemoFailure("regsvr32 failed\n" + result.describe())

        link = work / ("tty-%s" % PORT.lower())
        profile = work / ("orvix-serial-%s.reg" % PORT.lower())
        profile.write_bytes(serial_profile(PORT).encode("ascii"))
        say("-> %s leads to the virtual display at %s" % (PORT, link))
        say("-> regedit %s (the profile of %s)" % (profile, PROFILE_SETTINGS))
        say("-> cscript %s: OpenService, ClaimDevice, DeviceEnabled, the sale, ReleaseDevice, CloseService"
            % SESSION.relative_to(REPOSITORY))
        say()

        # From here on the display draws on the terminal: nothing else may print until it ends.
        with Screen() as screen:
            display = VirtualDisplay(vpd, link, work / "vpd.log", screen=screen.path)
            display.start()
            screen.display_started()
            prefix.map_port(PORT, link)
            result = prefix.run(REGEDIT, "/S", unix_to_windows(profile))
            if result.returncode != 0:
                raise DemoFailure("regedit could not import %s\n%s" % (profile, result.describe()))

            result = prefix.run(SYSTEM32 + "cscript.exe", "//nologo", unix_to_windows(SESSION), timeout=SESSION_TIMEOUT)
            rows = display.rows()
            state = display.state()
            display.stop()
            display = None

        say()
        say("The calls and what they gave:")
        for line in result.lines():
            say("   " + line)
        if result.returncode != 0:
            raise DemoFailure("%s call(s) of the sale did not succeed\n%s" % (result.returncode, result.describe()))
        if rows != LAST_ROWS or state.get("blink", "0") == "0":
            raise DemoFailure("the display does not show the blinking thank-you: %r, blink %s"
                              % (rows, state.get("blink")))
    finally:
        if display is not None:
            display.stop()
        prefix.stop()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=str(REPOSITORY / "build"), help="the build folder (default: build)")
    args = parser.parse_args(argv)
    # An interrupt or a hang-up ends the demo through the clean-up above.
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    signal.signal(signal.SIGHUP, signal.default_int_handler)
    started = time.monotonic()
    try:
        run_demo(Path(args.build).resolve())
    except (DemoFailure, WineError) as error:
        say()
        say("demo FAILED: %s" % error)
        return 1
    except KeyboardInterrupt:
        say()
        say("demo interrupted")
        return 130
    say()
    say("Demo finished in %.0f s: every call succeeded and the display shows the last screen of the sale."
        % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
