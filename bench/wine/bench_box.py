#!/usr/bin/env python3
"""Runs one Wine benchmark scenario (bench/wine/benchmarks.py or soak.py) for one DLL in a
prefix of its own, with the virtual displays it asks for.

    bench_box.py SCENARIO --arch x64|x86 --dll BUILD/ORVIX.DLL --vpd orvix-vpd --work DIR

The scenario's figures land in DIR (wine-figures.md, soak-figures.txt). Exit 0 when every
check passed.
"""

import argparse
import importlib
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPOSITORY = HERE.parents[1]
sys.path[:0] = [str(HERE), str(REPOSITORY / "tools" / "demo")]

from wine_box import REGEDIT, SYSTEM32, Prefix, VirtualDisplay, WineError, serial_profile, unix_to_windows  # noqa: E402

PORT = "COM7"


def ready_display(display, reply="KVD5100"):
    for command in ("flush", "reset", "reply %s" % reply):
        display.command(command)


class BenchTest:
    """What a scenario works with: the prefix, the programs of one architecture, checks."""

    def __init__(self, args):
        self.arch = args.arch
        self.tools = "C:\\windows\\syswow64\\" if args.arch == "x86" else SYSTEM32
        self.dll_source = Path(args.dll)
        self.bench_dir = self.dll_source.parent / "wine-bench"
        self.vpd = args.vpd
        self.work_dir = Path(args.work)
        self.work_dir.mkdir(parents=True, exist_ok=True)
        self.prefix = Prefix(self.work_dir.parent / "prefix", self.work_dir / "logs")
        self.failures = 0
        self.displays = []

    def check(self, passed, what, detail=None):
        print(("ok " if passed else "FAIL ") + what + ("" if passed or not detail else "\n  %s" % detail), flush=True)
        self.failures += not passed
        return passed

    def expect_equal(self, actual, expected, what):
        return self.check(actual == expected, what, "got %r, expected %r" % (actual, expected))

    def require(self, path):
        if not Path(path).is_file():
            raise WineError("%s is missing (make dll)" % path)

    def install_dll(self):
        self.require(self.dll_source)
        return self.prefix.install(self.dll_source, "orvix\\" + self.arch)

    def register(self, dll):
        run = self.prefix.run(self.tools + "regsvr32.exe", "/s", dll)
        self.check(run.returncode == 0, "regsvr32 %s" % dll, run.describe())

    def import_reg(self, text):
        path = self.work_dir / "profile.reg"
        path.write_text(text, encoding="ascii")
        self.prefix.run(self.tools + "regedit.exe" if self.arch == "x86" else REGEDIT, "/S", unix_to_windows(path))

    def start_display(self, port):
        link = self.work_dir / ("tty-%s" % port.lower())
        display = VirtualDisplay(self.vpd, link, self.work_dir / ("vpd-%s.log" % port.lower())).start()
        self.displays.append(display)
        self.prefix.map_port(port, link)
        return display


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("scenario", choices=("benchmarks", "soak"))
    parser.add_argument("--arch", choices=("x64", "x86"), required=True)
    for option in ("--dll", "--vpd", "--work"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    test = BenchTest(args)
    try:
        test.prefix.ready()
        test.prefix.start()
        importlib.import_module(args.scenario).run(test)
    except WineError as error:
        test.check(False, "the Wine side ran", error)
    finally:
        for display in test.displays:
            display.stop()
        test.prefix.stop()
    return 1 if test.failures else 0


if __name__ == "__main__":
    sys.exit(main())
