"""The integrator's kit under Wine: the Windows Installer packages and orvixcheck.exe.

`run(args, work)` plays the story in a 64-bit prefix of its own, and the x86 package in a
32-bit one, and returns (status, name, detail) outcomes, status "ok", "FAIL" or "skip"; it
stops at the first failure, since each step builds on the one before. Wine lists the
machine's own serial ports too, which the harness hides as /dev/null: the kit scans only
when every listed port leads to one of its displays or to /dev/null.
"""
import os
import re
import shutil
import subprocess
from pathlib import Path

from wine_box import SYSTEM32, Prefix, VirtualDisplay

REPOSITORY = Path(__file__).resolve().parents[2]
VERSION = "1.1.0"
LOWER = "1.0.9"
CLSID, LIBID = "{6D6F2B87-1F6B-4284-A931-3E0F6E09D96C}", "{58CAD687-682D-4987-83D5-3F4F4F81B6D0}"
REGISTRATION = ["HKCR\\OPOS.ORVIX", "HKCR\\CLSID\\" + CLSID, "HKCR\\TypeLib\\" + LIBID,
                "HKCR\\Interface\\{8BD6BAC9-CC9C-4030-8678-C64DB1C789A3}"]
DEVICES = "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay"
ARP = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
FOLDER = "C:\\Program Files\\ORVIX"
MSI_FAILED = 1603 % 256  # exit codes reach Linux modulo 256
SERIAL = {"(Default)": "OPOS.ORVIX", "DeviceType": "COM", "COMPORT": "\\\\.\\COM12", "Baud": "9600",
          "Parity": "0", "DataLength": "8", "StopBit": "0", "Option": "0x10", "LogicalName": "PoleDisplay"}


class Failure(Exception):
    pass


def harmless(port, ours):
    target = os.path.realpath(port)
    return target in ours or (os.path.exists(target) and os.stat(target).st_rdev == os.stat("/dev/null").st_rdev)


class Kit:
    def __init__(self, args, work, win32=False):
        self.args, self.work, self.outcomes, self.displays = args, work, [], []
        self.win64, self.win32 = Path(args.x64_dll).parent, Path(args.x86_dll).parent
        self.prefix = Prefix(work.parent / ("kit-prefix32" if win32 else "kit-prefix"),
                             work / ("kit-logs32" if win32 else "kit-logs"), win32=win32)
        # The story installs, upgrades and removes packages in a kept prefix. One that a run
        # left half way (a failure stops the story, or the run was killed) still holds this
        # version, under which the next run's older package cannot go: that prefix is made anew.
        self.unfinished = self.prefix.path / ".orvix-kit-unfinished"
        if self.unfinished.exists():
            (self.prefix.path / ".orvix-wine").unlink(missing_ok=True)
        self.prefix.ready()
        self.unfinished.touch()
        self.prefix.start()
        self.can32 = self.run(["C:\\windows\\syswow64\\cmd.exe", "/c", "exit 7"])[0] == 7

    def close(self):
        for display in self.displays:
            display.stop()
        self.prefix.stop()

    def run(self, argv, cwd=None):
        """Exit status (modulo 256, -1 when killed) and output."""
        run = self.prefix.run(argv[0], *argv[1:], cwd=cwd)
        return (run.returncode if isinstance(run.returncode, int) else -1), run.stdout.replace("\r\n", "\n")

    def display(self, port):
        """COM `port` leads to it once the server starts again."""
        link = self.work.parent / ("kit-tty-" + port.lower())
        display = VirtualDisplay(self.args.vpd, link, self.work.parent / ("kit-vpd-%s.log" % port.lower()))
        self.displays.append(display.start())
        self.wine(SYSTEM32 + "reg.exe", "add", r"HKLM\Software\Wine\Ports", "/v", port, "/d", str(link), "/f")
        return display

    def note(self, status, name, detail=""):
        self.outcomes.append((status, name, detail))
        if status == "FAIL":
            raise Failure(name)

    def expect(self, name, condition, detail=""):
        self.note("ok" if condition else "FAIL", name, "" if condition else detail)

    def skip32(self, name):
        self.note("skip", name, "32-bit programs cannot run on this machine (the 32-bit Wine loader fails)")

    def bitnesses(self, name):
        if not self.can32:
            self.skip32(name + " (x86)")
        return ("x64", "x86") if self.can32 else ("x64",)

    def wine(self, *argv, expect=0, cwd=None):
        rc, text = self.run(list(argv), cwd=cwd)
        if expect is not None and rc != expect:
            self.note("FAIL", " ".join(argv), "exit status %d, expected %d:\n%s" % (rc, expect, text))
        return text

    def host(self, windows_path):
        return self.prefix.drive_c() / windows_path[3:].replace("\\", "/")

    def build_msi(self, arch, version):
        out = self.host("C:\\kit\\orvix-%s-%s.msi" % (version, arch))
        subprocess.run(["python3", str(REPOSITORY / "scripts" / "build-msi.py"), "--arch", arch, "--version",
                        version, "--win64", str(self.win64), "--win32", str(self.win32), "--out", str(out)],
                       check=True, capture_output=True)
        return "C:\\kit\\" + out.name

    def msiexec(self, *argv, expect=0):
        self.wine("msiexec", *argv, "/qn", expect=expect)

    def state(self, roots, views=("64", "32")):
        """{view: {(key, value name or None): (type, data)}}, paths resolved to unix files."""
        script = " & ".join("echo =%s & " % view + " & ".join("reg query %s /s /reg:%s" % (root, view) for root in roots)
                            for view in views)
        found, key = {}, None
        for line in self.wine("cmd", "/c", script, expect=None).splitlines():
            if line.startswith("="):
                view = found.setdefault(line.strip()[1:], {})
            elif line.startswith("HKEY_"):
                key = line.strip()
                view[(key, None)] = (None, None)
            elif line.startswith("    "):
                name, kind, data = (line.strip().split("    ", 2) + ["", ""])[:3]
                view[(key, name)] = (kind, data)
        paths = sorted({data for view in found.values() for _, data in view.values() if re.match(r"[A-Za-z]:\\", data or "")})
        unix = dict(zip(paths, self.wine("winepath", "-u", *paths).splitlines())) if paths else {}
        return {name: {key: (kind, unix.get(data, data)) for key, (kind, data) in view.items()}
                for name, view in found.items()}

    def profiles(self, found):
        return [{name: data for (key, name), (_, data) in view.items() if name and key.endswith("LineDisplay\\ORVIX")}
                for view in found.values()]

    def compare_registration(self, found, registered):
        for bits in self.bitnesses("msiexec registers as regsvr32 does"):
            view = "64" if bits == "x64" else "32"
            installed = {k: v for k, v in found[view].items() if k[0].startswith("HKEY_CLASSES_ROOT")}
            if not self.can32:  # the win32 entry of the shared type library key is the x86 DLL's
                installed = {k: v for k, v in installed.items() if not k[0].endswith("\\0\\win32")}
            # Wine's RegisterTypeLib writes FLAGS with LIBFLAG_FHASDISKIMAGE (8), a flag of the
            # loaded library that the file does not declare; the package writes the file's 0.
            expected = {key: (kind, str(int(data) & ~8) if key[0].endswith("\\FLAGS") and kind else data)
                        for key, (kind, data) in registered[view].items()}
            self.expect("msiexec registers as regsvr32 does, %s-bit view" % view, installed == expected,
                        "installed %r\nregsvr32 %r" % (installed, expected))

    def check(self, bits, name, expect, *arguments, folder="C:\\kit"):
        rc, text = self.run(["%s\\%s\\orvixcheck.exe" % (folder, bits)] + list(arguments), cwd=self.host("C:\\kit"))
        self.expect("orvixcheck %s: %s" % (bits, name), rc == expect, "exit code %d, expected %d:\n%s" % (rc, expect, text))
        return text

    def each_bitness(self, name, *arguments, expect):
        for bits in self.bitnesses("orvixcheck: " + name):
            self.check(bits, name, expect, *arguments)

    def play(self):
        for bits, build in (("x64", self.win64), ("x86", self.win32)):
            self.host("C:\\kit\\" + bits).mkdir(parents=True, exist_ok=True)
            shutil.copy(build / "orvixcheck.exe", self.host("C:\\kit\\%s\\orvixcheck.exe" % bits))
        package, x86_package, lower = (self.build_msi("x64", VERSION), self.build_msi("x86", VERSION),
                                       self.build_msi("x64", LOWER))

        # What self-registration writes, from the same DLLs at the same paths.
        modules = [("x86", self.win32, "C:\\windows\\syswow64\\regsvr32.exe"), ("x64", self.win64, "regsvr32")]
        modules = modules if self.can32 else modules[1:]
        for bits, build, regsvr32 in modules:
            self.host(FOLDER + "\\" + bits).mkdir(parents=True, exist_ok=True)
            shutil.copy(build / "ORVIX.DLL", self.host(FOLDER + "\\%s\\ORVIX.DLL" % bits))
            self.wine(regsvr32, "/s", FOLDER + "\\%s\\ORVIX.DLL" % bits)
        registered = self.state(REGISTRATION)
        for bits, _, regsvr32 in modules:
            self.wine(regsvr32, "/u", "/s", FOLDER + "\\%s\\ORVIX.DLL" % bits)
        shutil.rmtree(self.host(FOLDER))

        # An older version with a profile, then this one over it without properties.
        self.msiexec("/i", lower, "CONNECTION=com", "PORT=COM12", "LOGICALNAME=PoleDisplay", "LOG=1")
        profiles = self.profiles(self.state([DEVICES]))
        self.expect("the profile from the properties, both views", profiles == [SERIAL] * 2, repr(profiles))
        self.msiexec("/i", package)
        entries = [entry for entry in self.wine("reg", "query", ARP, "/s", "/reg:64").split("\n\n")
                   if "ORVIX OPOS LineDisplay" in entry]
        self.expect("the upgrade leaves one Apps & features entry, %s by ORVIX" % VERSION,
                    len(entries) == 1 and re.search(r"DisplayVersion\s+REG_SZ\s+%s\b" % VERSION, entries[0])
                    and re.search(r"Publisher\s+REG_SZ\s+ORVIX\b", entries[0]), repr(entries))
        found = self.state(REGISTRATION + [DEVICES])
        self.expect("the upgrade keeps the profile", self.profiles(found) == [SERIAL] * 2, repr(self.profiles(found)))
        self.compare_registration(found, registered)

        # Repair after losing the DLLs.
        for bits in ("x64", "x86"):
            self.host(FOLDER + "\\%s\\ORVIX.DLL" % bits).unlink()
        self.msiexec("/i", package, "REINSTALL=ALL", "REINSTALLMODE=omus")
        self.expect("the repair brings both DLLs back",
                    all(self.host(FOLDER + "\\%s\\ORVIX.DLL" % b).is_file() for b in ("x64", "x86")))

        # The display on COM12, two other devices on COM3 and COM5.
        display, silent, other = self.display("COM12"), self.display("COM3"), self.display("COM5")
        silent.command("reply silent")
        other.command("reply KVD9999")
        self.prefix.stop()
        self.prefix.start()
        display.command("reply KVD5130")
        for bits in self.bitnesses("orvixcheck: a working display, the DLL of its bitness showing text"):
            self.check(bits, "a working display", 0, folder=FOLDER)
            rows = display.command("rows")
            self.expect("the %s DLL, loaded by a client of its bitness, shows text" % bits,
                        rows[0].startswith("|ORVIX check") and re.match(r"\|\d\d:\d\d:\d\d ", rows[1]), repr(rows))
            display.command("flush")
        display.command("reply silent")
        self.each_bitness("a silent display", expect=3)
        display.command("reply KVD5130")
        display.command("flush")
        ports = set(re.findall(r"REG_SZ\s+(COM\d+)", self.wine("reg", "query", "HKLM\\HARDWARE\\DEVICEMAP\\SERIALCOMM")))
        ours = {os.path.realpath(self.prefix.path / "dosdevices" / p) for p in ("com3", "com5", "com12")}
        foreign = [p for p in ports if not harmless(self.prefix.path / "dosdevices" / p.lower(), ours)]
        if foreign or len(ports) < 3:
            self.note("skip", "orvixcheck --scan", "a listed port leads to this machine's serial port: %s" % foreign)
        else:
            for bits in self.bitnesses("orvixcheck: --scan"):
                text = self.check(bits, "--scan among %s" % ", ".join(sorted(ports)), 0, "--scan")
                self.expect("orvixcheck %s --scan names COM12 alone" % bits, re.search(
                    r"COM12 +KVD5130: this is the pole display", text) and "answers on COM12" in text
                    and text.count("this is the pole display") == 1, text)
        text = self.check("x64", "--report", 0, "--report", "C:\\kit\\report.txt", "--log-dir", "C:\\kit")
        report = self.host("C:\\kit\\report.txt").read_text(errors="replace")
        self.expect("the report holds both views, the DLLs and the log", all(
            part in report for part in ("Registration, 32-bit view", "InprocServer32", "file version 1.0.0.4",
                                        "Device profile, 64-bit view", "DeviceName:ORVIX")), report)

        # Uninstall: the registration goes, the profile stays, unless REMOVEPROFILE=1.
        self.msiexec("/x", package)
        found = self.state(REGISTRATION + [DEVICES])
        self.expect("the uninstall leaves no registration and no files", not self.host(FOLDER).exists() and not any(
            key.startswith("HKEY_CLASSES_ROOT") for view in found.values() for key, _ in view), repr(found))
        self.expect("the uninstall keeps the profile", self.profiles(found) == [SERIAL] * 2)
        self.each_bitness("an unregistered DLL", expect=2)
        self.msiexec("/i", package, "CONNECTION=USB", "DEVICEID=0x2001", "STRICT=1", "ZEROBASED=1")
        usb = dict(SERIAL, DeviceType="USB", DeviceID="0x2001", Option="0x101")
        profiles = self.profiles(self.state([DEVICES]))
        self.expect("a second profile over the first", profiles == [usb] * 2, repr(profiles))
        self.msiexec("/x", package, "REMOVEPROFILE=1")
        found = self.state([DEVICES])
        self.expect("REMOVEPROFILE=1 removes the profile and the logical name", not any(
            key.endswith("\\ORVIX") or name == "PoleDisplay" for view in found.values() for key, name in view), repr(found))
        self.each_bitness("no profile", expect=1)

        # Refusals: the x86 package on 64-bit Windows, a wrong property.
        self.msiexec("/i", x86_package, expect=MSI_FAILED)
        self.msiexec("/i", package, "CONNECTION=SERIAL", expect=MSI_FAILED)
        self.expect("refused packages install nothing", not self.host(FOLDER).exists())
        if not self.can32:
            self.skip32("the x86 package in a 32-bit prefix")
            return
        x86 = Kit(self.args, self.work, win32=True)
        x86.outcomes = self.outcomes  # its failures are the kit's
        try:
            x86.host("C:\\kit").mkdir(parents=True, exist_ok=True)
            shutil.copy(self.host(x86_package), x86.host(x86_package))
            x86.msiexec("/i", x86_package, "CONNECTION=COM", "PORT=COM12")
            found = x86.state(REGISTRATION[1:2] + [DEVICES], ("32",))
            self.expect("the x86 package on 32-bit Windows registers and writes the profile",
                        x86.profiles(found)[0].get("COMPORT") == "\\\\.\\COM12" and len(found["32"]) > 2, repr(found))
            x86.msiexec("/x", x86_package)
            x86.unfinished.unlink()
        finally:
            x86.close()


def run(args, work):
    kit = Kit(args, work)
    try:
        kit.play()
        kit.unfinished.unlink()  # every failure raised Failure
    except Failure:
        pass
    finally:
        kit.close()
    return kit.outcomes
