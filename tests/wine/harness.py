#!/usr/bin/env python3
"""The Wine suite for one DLL, in one 64-bit prefix (the x86 DLL registered by the SysWOW64
regsvr32, as a 32-bit POS application on x64 Windows meets it): registration, the client
playing tests/cases/*.txt and making its checks with the virtual display on COM7, the
Windows Script Host, and (x64) the packages and orvixcheck.exe (kit.py).

Exit 0 when every group passed; 77 when the x86 half cannot or must not run here (the reason
printed and left in WORK/../x86-skipped.txt); 1 otherwise.
"""

import argparse
import codecs
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

REPOSITORY = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPOSITORY / "tools" / "demo"))

from wine_box import LOADER32, SYSTEM32, SYSWOW64, Prefix, VirtualDisplay, WineError, quiet_run, unix_to_windows  # noqa: E402

SKIPPED = 77
CLIENT_SECONDS = 240  # well within the test's 600 s


def cells(line):
    """The forty cells that a `rows "ROW 1" "ROW 2"` line means: \\xHH is one byte."""
    rows = re.findall(r'"((?:[^"\\]|\\.)*)"', line)
    return b"".join(codecs.decode(row, "unicode_escape").encode("latin-1").ljust(20, b" ") for row in rows)


def why_no_32_bit():
    """None when the x86 half can run here, otherwise why not; a missing wine32 is a failure."""
    if os.environ.get("ORVIX_WINE32") == "0":
        return "on purpose (ORVIX_WINE32=0)"
    if not os.path.exists(LOADER32):
        raise WineError("wine32 is not installed (make deps installs wine32:i386)")
    result = quiet_run([LOADER32, "--version"])
    if result.returncode != 0:
        first = (result.stdout.decode(errors="replace").strip().splitlines() or ["exit %d" % result.returncode])[0]
        return "this kernel cannot run 32-bit programs (%s --version: %s)" % (LOADER32, first)
    return None


def stage(d, line):
    """Acts on the virtual display `d` at one of the client's steps; "ok" or what went wrong."""
    words = line.split()
    if words[0] == "begin":
        d.command("restore", allow_error=True)  # refused unless the case before left the line dropped
        for command in ("flush", "reset", "reply KVD5100"):
            d.command(command)
    elif words[0] == "display" and words[1] in ("drop", "restore"):
        d.command(words[1])
    elif words[0] == "display":
        answer = d.command("reply " + " ".join(words[1:]), allow_error=True)
        return answer[-1] if answer else "ok"
    elif words[0] == "bytes":
        expected = bytes.fromhex("".join(words[1:]))
        if expected:
            d.command("wait-bytes %d 5000" % len(expected), allow_error=True)
        received = bytes.fromhex(d.command("bytes")[0])
        d.command("clear-bytes")
        if received != expected:
            return "the display received %s" % (received.hex(" ").upper() or "nothing")
    elif words[0] == "interleaved":
        # `interleaved CALL... / CALL...`: each group holds one thread's calls in their order,
        # each call the hex of its bytes; what arrived is those calls, each one whole.
        groups = [[bytes.fromhex(call) for call in group.split()] for group in " ".join(words[1:]).split("/")]
        d.command("wait-bytes %d 5000" % sum(map(len, sum(groups, []))), allow_error=True)
        received, at, taken = bytes.fromhex(d.command("bytes")[0]), 0, [0] * len(groups)
        d.command("clear-bytes")
        while at < len(received):
            nexts = [group[taken[g]] if taken[g] < len(group) else None for g, group in enumerate(groups)]
            g = next((g for g, call in enumerate(nexts) if call and received.startswith(call, at)), None)
            if g is None:
                return "no call's bytes at byte %d: %s" % (at, received[at:at + 24].hex(" ").upper())
            at, taken[g] = at + len(nexts[g]), taken[g] + 1
        if taken != [len(group) for group in groups]:
            return "the display received %s calls of %s" % (taken, [len(group) for group in groups])
    elif words[0] == "line":
        termios = dict(line.split("=", 1) for line in d.command("termios"))
        if [termios.get("baud"), termios.get("stop-bits")] != words[1:]:
            return "the line runs at %s baud, %s stop bits" % (termios.get("baud"), termios.get("stop-bits"))
    elif words[0] == "rows":
        if bytes.fromhex(d.command("cells")[0]) != cells(line):
            return "the display shows %s" % " ".join('"%s"' % row for row in d.rows())
    else:
        return "the harness cannot stage %s" % line
    return "ok"


class Suite:
    def __init__(self, args):
        self.args, self.x86, self.work, self.failed = args, args.arch == "x86", Path(args.work), 0
        self.tools, self.view = (SYSWOW64, "/reg:32") if self.x86 else (SYSTEM32, "/reg:64")

    def group(self, name, passed, failed, extra=""):
        print("%s %s: %d passed, %d failed%s" % (self.args.arch, name, passed, failed, extra), flush=True)
        self.failed += failed + (passed + failed == 0)

    def check(self, results, passed, what, detail=""):
        results.append(passed)
        print(("ok " if passed else "FAIL ") + what + ("" if passed or not detail else "\n  " + detail), flush=True)

    def reg_value(self, key, name=None):
        run = self.prefix.run(SYSTEM32 + "reg.exe", "query", key, *(["/v", name] if name else ["/ve"]), self.view)
        found = [line.split(None, 2) for line in run.lines() if line.startswith("    ")]
        return found[0][2].strip() if run.returncode == 0 and found and len(found[0]) == 3 else None

    def registration(self):
        results, regsvr32 = [], self.tools + "regsvr32.exe"
        run = self.prefix.run(regsvr32, "/s", self.dll)
        self.check(results, run.returncode == 0, "%s /s %s" % (regsvr32, self.dll), run.describe())
        clsid = self.reg_value(r"HKCR\OPOS.ORVIX\CLSID") or "{none}"
        server = "HKCR\\CLSID\\%s\\InprocServer32" % clsid
        libid = self.reg_value("HKCR\\CLSID\\%s\\TypeLib" % clsid)
        typelib = "HKCR\\TypeLib\\%s\\1.0\\0\\%s" % (libid, "win32" if self.x86 else "win64")
        found = (self.reg_value(server), self.reg_value(server, "ThreadingModel"), self.reg_value(typelib))
        self.check(results, found == (self.dll, "Apartment", self.dll),
                   "the ProgID leads to the class, whose server and type library are this DLL in the %s view"
                   % self.view, repr(found))
        run = self.prefix.run(regsvr32, "/u", "/s", self.dll)
        self.check(results, run.returncode == 0 and self.reg_value(server) is None and self.reg_value(typelib) is None,
                   "regsvr32 /u removes the class and the type library", run.describe())
        run = self.prefix.run(regsvr32, "/s", self.dll)
        self.check(results, run.returncode == 0 and self.reg_value(server) == self.dll, "registered again", run.describe())
        self.group("registration", results.count(True), results.count(False))

    def client(self):
        files = sorted(unix_to_windows(path) for path in (REPOSITORY / "tests" / "cases").glob("*.txt"))
        meet = self.work / "client"
        meet.mkdir()
        process, out = self.prefix.start_program(self.client_exe, self.dll, *files, cwd=meet)
        turn, deadline = 1, time.monotonic() + CLIENT_SECONDS
        while time.monotonic() < deadline:
            step = meet / ("%04d.step" % turn)
            if step.exists():
                answer = stage(self.display, step.read_text(encoding="latin-1"))
                (meet / "go.part").write_text(answer, encoding="latin-1")
                os.replace(meet / "go.part", meet / ("%04d.go" % turn))
                turn += 1
            elif process.poll() is not None:
                break
            else:
                time.sleep(0.001)
        run = self.prefix.finish(process, out, 1)
        text = run.stdout.replace("\r\n", "\n")
        print(text, end="", flush=True)
        cases = re.search(r"^(\d+) played, (\d+) failed, (\d+) host-only$", text, re.M)
        played, failed, host_only = (int(n) for n in cases.groups()) if cases else (0, 1, 0)
        checks = re.search(r"^(\d+) passed, (\d+) failed$", text, re.M)
        passed, failed_checks = (int(n) for n in checks.groups()) if checks else (0, 1)
        self.group("cases", played - failed, failed, " (%d host-only)" % host_only)
        # An exit status that no failure explains (the client crashed) counts as a failed check.
        self.group("checks", passed, failed_checks + (run.returncode != 0 and failed + failed_checks == 0))

    def scripts(self):
        """The Windows Script Host of the DLL's architecture, an independent late-bound client,
        in JScript and in VBScript (which passes its variables by reference)."""
        results = []
        for script in ("progid.js", "progid.vbs"):
            stage(self.display, "begin")
            run = self.prefix.run(self.tools + "cscript.exe", "//nologo", unix_to_windows(Path(__file__).parent / script),
                                  cwd=self.work)
            self.check(results, run.returncode == 0 and self.display.rows()[0].startswith("ORVIX " + script),
                       "cscript " + script, run.describe())
        self.group("scripts", results.count(True), results.count(False))

    def kit(self):
        """In a prefix of their own: the packages remove what the groups above registered by hand."""
        import kit
        outcomes = kit.run(self.args, self.work)
        for status, name, detail in outcomes:
            print("%s %s%s" % (status, name, ": " + detail if detail and status != "ok" else ""), flush=True)
        count = lambda status: sum(outcome[0] == status for outcome in outcomes)
        self.group("kit", count("ok"), count("FAIL"), " (%d skipped)" % count("skip") if count("skip") else "")

    def run(self):
        work = self.work
        shutil.rmtree(work, ignore_errors=True)
        work.mkdir(parents=True, exist_ok=True)
        self.prefix = Prefix(work.parent / "prefix", work / "logs")
        self.prefix.ready()
        self.display = VirtualDisplay(self.args.vpd, work / "tty-com7", work / "vpd.log").start()
        try:
            self.prefix.start()
            self.prefix.map_port("COM7", work / "tty-com7")
            folder = "orvix\\" + self.args.arch
            self.dll = self.prefix.install(self.args.dll, folder)
            self.client_exe = self.prefix.install(Path(self.args.dll).parent / "wine-tests" / "orvix_wine_client.exe",
                                                  folder)
            self.registration()
            self.client()
            self.scripts()
        finally:
            self.display.stop()
            self.prefix.stop()
        if not self.x86:
            self.kit()
        return 1 if self.failed else 0


def hide_serial_devices():
    """Wine lists the machine's own serial ports as COM ports whatever its Ports key says, and
    orvixcheck --scan writes to every listed port: as root, the suite runs again in a mount
    namespace of its own where they are /dev/null, so that nothing reaches a real device."""
    if os.geteuid() != 0:
        return
    if os.environ.get("ORVIX_SERIAL_HIDDEN") != "1":
        os.environ["ORVIX_SERIAL_HIDDEN"] = "1"
        os.execvp("unshare", ["unshare", "--mount", "--propagation", "private", sys.executable] + sys.argv)
    for device in [path for pattern in ("ttyS*", "ttyUSB*", "ttyACM*") for path in Path("/dev").glob(pattern)]:
        subprocess.run(["mount", "--bind", "/dev/null", str(device)], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--arch", choices=("x64", "x86"), required=True)
    for option in ("--x64-dll", "--x86-dll", "--vpd", "--work"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    args.dll = args.x86_dll if args.arch == "x86" else args.x64_dll
    hide_serial_devices()
    try:
        if args.arch == "x86":
            skipped = Path(args.work).parent / "x86-skipped.txt"
            skipped.unlink(missing_ok=True)
            reason = why_no_32_bit()
            if reason is not None:
                skipped.write_text("x86 half skipped: %s\n" % reason)
                print("x86 half skipped: %s" % reason)
                return SKIPPED
        return Suite(args).run()
    except WineError as error:
        print("harness: %s" % error, flush=True)
        return 1


if __name__ == "__main__":
    sys.exit(main())
