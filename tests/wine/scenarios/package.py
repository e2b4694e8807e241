"""The Windows package as an integrator gets it: the zip that scripts/make-package.sh makes
(the script behind `make package`), its contents, and install.cmd and uninstall.cmd run
from it in a fresh prefix.

This Wine runs 64-bit programs only and its syswow64 folder is empty. The regsvr32 of the
32-bit subsystem, and the one of a 32-bit Windows, are therefore played by a stand-in
(tests/wine/clients/standin) that records how it was called. A 32-bit Windows, and a 32-bit
command prompt on 64-bit Windows, are played by a command prompt whose environment says so
(PROCESSOR_ARCHITECTURE, PROCESSOR_ARCHITEW6432) and whose SystemRoot is a folder holding
the stand-ins where those systems keep their regsvr32."""

import os
import shutil
import subprocess
import zipfile
from pathlib import Path

import pe_file
from harness import HarnessError
from opos_session import OPENED, OPOS_SUCCESS, REPOSITORY, ready_display, run_session
from orvix_registry import CLASS_KEY, PROGID_KEY, PROGID_TREE, TYPELIB_KEY, class_tree

VERSION = "1.0.0.4"
TOP = "orvix-%s" % VERSION
INSTALL_DIR = "C:\\Program Files\\" + TOP
X64_DLL = INSTALL_DIR + "\\x64\\ORVIX.DLL"
X86_DLL = INSTALL_DIR + "\\x86\\ORVIX.DLL"
INSTALL = INSTALL_DIR + "\\install.cmd"
UNINSTALL = INSTALL_DIR + "\\uninstall.cmd"

DEVICE_CLASS = r"HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay"
PROFILE_64 = DEVICE_CLASS + r"\ORVIX"
PROFILE_32 = r"HKLM\SOFTWARE\WOW6432Node\OLEforRetail\ServiceOPOS\LineDisplay\ORVIX"

TEMPLATES = ["orvix-logging-off.reg", "orvix-logging-on.reg", "orvix-serial-com1.reg",
             "orvix-usb-1101.reg", "orvix-usb-1102.reg", "orvix-usb-2001.reg"]
DOCS = ["README.md", "debug-log.md", "methods.md", "profile.md", "result-codes.md", "troubleshooting.md"]
CONTENTS = sorted(["CHANGELOG.md", "INSTALL.txt", "LICENSE.txt", "install.cmd", "uninstall.cmd",
                   "x64/ORVIX.DLL", "x86/ORVIX.DLL"] + ["profiles/" + name for name in TEMPLATES]
                  + ["docs/" + name for name in DOCS])


def text(value):
    return ("REG_SZ", value)


def dword(value):
    return ("REG_DWORD", "0x%x" % value)


# The profile key after each device template, imported on its own; the logging templates are
# imported on top of the serial one and change only Option.
SERIAL_PROFILE = {"": text("OPOS.ORVIX"), "DeviceType": text("COM"), "COMPORT": text("COM1"), "Baud": text("9600"),
                  "Parity": text("0"), "DataLength": text("8"), "StopBit": text("0"), "Option": dword(0)}


def usb_profile(device_id):
    return {"": text("OPOS.ORVIX"), "DeviceType": text("USB"), "DeviceID": dword(device_id), "Option": dword(0)}


DEVICE_TEMPLATES = [
    ("orvix-serial-com1.reg", SERIAL_PROFILE),
    ("orvix-usb-1101.reg", usb_profile(0x1101)),
    ("orvix-usb-1102.reg", usb_profile(0x1102)),
    ("orvix-usb-2001.reg", usb_profile(0x2001)),
]
OPTION_TEMPLATES = [("orvix-logging-on.reg", 0x10), ("orvix-logging-off.reg", 0)]
ALIASES = {"": {"PoleDisplay": text("ORVIX")}}


# --- making and reading the zip

def make_package(test):
    win32_dir = Path(os.environ.get("ORVIX_WIN32_DLL", test.win64_dir.parent / "win32" / "ORVIX.DLL")).parent
    out = test.work_dir / "package"
    result = subprocess.run(["bash", str(REPOSITORY / "scripts" / "make-package.sh"), "--win64", str(test.win64_dir),
                             "--win32", str(win32_dir), "--out", str(out)],
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    output = result.stdout.decode(errors="replace")
    zip_path = out / ("%s.zip" % TOP)
    if not test.check(result.returncode == 0 and output.strip() == str(zip_path),
                      "make-package.sh makes %s.zip" % TOP, output):
        raise HarnessError("no package to test")
    return zip_path


def check_contents(test, zip_path):
    with zipfile.ZipFile(zip_path) as archive:
        names = archive.namelist()
        test.check(all(name.startswith(TOP + "/") for name in names), "everything lies in the folder %s" % TOP, names)
        test.expect_equal(sorted(name[len(TOP) + 1:] for name in names), CONTENTS, "the files of the package")
        files = {name[len(TOP) + 1:]: archive.read(name) for name in names}

    for folder, architecture in (("x64", "x86_64"), ("x86", "i686")):
        machine, system_kind = pe_file.ARCHITECTURES[architecture]
        module = test.work_dir / ("%s-ORVIX.DLL" % folder)
        module.write_bytes(files.get(folder + "/ORVIX.DLL", b""))
        pe_file.check_module(module, machine, system_kind,
                             lambda passed, what, detail, folder=folder: test.check(passed, "%s: %s" % (folder, what), detail))

    for name, data in sorted(files.items()):
        if name.endswith(".DLL"):
            continue
        test.check(data.count(b"\n") == data.count(b"\r\n") > 0, "%s has CR LF line ends only" % name)
        test.check(all(byte < 0x80 for byte in data), "%s is plain ASCII" % name)
    test.check(("ORVIX %s" % VERSION).encode() in files.get("INSTALL.txt", b""), "INSTALL.txt names the version")
    test.check(b"MIT License" in files.get("LICENSE.txt", b""), "LICENSE.txt holds the licence")
    test.check(("## %s" % VERSION).encode() in files.get("CHANGELOG.md", b""), "the changelog has the version")


# --- running the scripts

def host_path(prefix, windows_path):
    if not windows_path.upper().startswith("C:\\"):
        raise HarnessError("not on drive C: %s" % windows_path)
    return prefix.drive_c() / windows_path[3:].replace("\\", "/")


def run_script(test, script, *args, environment=None):
    """Runs install.cmd or uninstall.cmd as typed at a command prompt, its path in quotes;
    `environment` (name: value) is set in that prompt first, as another system would have
    it. Gives the run."""
    # A batch file that sets the variables and then hands over to the script without `call`,
    # so that the script's exit code becomes the prompt's (Wine's `call` of a batch file
    # loses it). A batch file would read a % as the start of a variable: it is doubled.
    lines = (["@echo off"] + ["set %s=%s" % item for item in (environment or {}).items()]
             + ['"%s" %%*' % script.replace("%", "%%")])
    starter = host_path(test.prefix, "C:\\orvix-tests\\start.cmd")
    starter.parent.mkdir(parents=True, exist_ok=True)
    starter.write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))
    return test.prefix.run(["cmd.exe", "/c", "C:\\orvix-tests\\start.cmd"] + list(args))


def account(run):
    """The lines of the account that the scripts give: (kind, text) for each step."""
    steps = []
    for line in run.lines():
        kind, _, rest = line.strip().partition(":")
        if kind in ("done", "skipped", "failed"):
            steps.append((kind, rest.strip()))
    return steps


def expect_account(test, run, expected, what, returncode=0):
    """`expected`: (kind, words) pairs; a step matches when it has the kind and contains
    every word."""
    steps = account(run)
    matched = len(steps) == len(expected) and all(
        kind == want_kind and all(word.lower() in line.lower() for word in words)
        for (kind, line), (want_kind, words) in zip(steps, expected))
    test.check(matched and run.returncode == returncode, "%s: the account of every step, exit code %d" % (what, returncode),
               run.describe())


class StandIn:
    """A stand-in regsvr32.exe at a Windows path of the prefix."""

    def __init__(self, test, windows_dir):
        self.windows_path = windows_dir + "\\regsvr32.exe"
        self.dir = host_path(test.prefix, windows_dir)
        self.dir.mkdir(parents=True, exist_ok=True)
        program = test.wine_test_dir / "standin" / "regsvr32.exe"
        test.require(program)
        shutil.copy2(program, self.dir / "regsvr32.exe")
        self.calls_file = self.dir / "regsvr32-calls.txt"
        self.exit_file = self.dir / "regsvr32-exit.txt"

    def take_calls(self):
        """The calls since the last look: [program path, arguments...] each."""
        if not self.calls_file.is_file():
            return []
        lines = self.calls_file.read_text(encoding="utf-8").splitlines()
        self.calls_file.unlink()
        return [line.split("\t") for line in lines]

    def fail_with(self, code):
        if code:
            self.exit_file.write_text("%d\n" % code)
        elif self.exit_file.exists():
            self.exit_file.unlink()

    def remove(self):
        for path in (self.dir / "regsvr32.exe", self.calls_file, self.exit_file):
            if path.exists():
                path.unlink()


def expect_calls(test, stand_in, expected, what):
    calls = stand_in.take_calls()
    same = len(calls) == len(expected) and all(
        call[0].lower() == stand_in.windows_path.lower() and call[1:] == arguments
        for call, arguments in zip(calls, expected))
    test.check(same, "%s: %s called with %s" % (what, stand_in.windows_path, expected or "nothing"), calls)


# --- what the registry holds

def short_path(test, path):
    """Windows' short form of `path`, which the class registration holds."""
    probe = host_path(test.prefix, "C:\\orvix-tests\\short.cmd")
    probe.parent.mkdir(parents=True, exist_ok=True)
    probe.write_bytes(('@echo off\r\nfor %%%%I in ("%s") do echo %%%%~sI\r\n' % path).encode("ascii"))
    lines = test.prefix.run(["cmd.exe", "/c", "C:\\orvix-tests\\short.cmd"]).lines()
    return lines[-1].strip() if lines else None


def expect_registered_x64(test, what):
    progid, class_key, typelib = test.prefix.reg_trees(PROGID_KEY, CLASS_KEY, TYPELIB_KEY + r"\1.0\0\win64")
    test.expect_equal(progid, PROGID_TREE, "%s: the ProgID key" % what)
    test.expect_equal(class_key, class_tree(short_path(test, X64_DLL)),
                      "%s: the class key names the package's x64 DLL by its short path" % what)
    test.expect_equal(typelib, {"": {"": text(X64_DLL)}}, "%s: the type library is registered from it" % what)


def expect_unregistered(test, what):
    progid, class_key, typelib = test.prefix.reg_trees(PROGID_KEY, CLASS_KEY, TYPELIB_KEY)
    test.check(progid is None and class_key is None and typelib is None,
               "%s: no ProgID, class or type library registration is left" % what, (progid, class_key, typelib))


def profile_trees(test):
    """The profile of the 64-bit and of the 32-bit view ({} for the key itself only)."""
    trees = test.prefix.reg_trees(PROFILE_64, PROFILE_32)
    return [None if tree is None else tree.get("") for tree in trees]


def expect_profiles(test, expected_64, expected_32, what):
    profile_64, profile_32 = profile_trees(test)
    test.expect_equal(profile_64, expected_64, "%s: the profile in the 64-bit view" % what)
    test.expect_equal(profile_32, expected_32, "%s: the profile in the 32-bit view" % what)


def delete_profiles(test):
    test.prefix.reg("delete", PROFILE_64, "/f", "/reg:64")
    test.prefix.reg("delete", PROFILE_32, "/f", "/reg:64")
    test.prefix.reg("delete", DEVICE_CLASS, "/v", "PoleDisplay", "/f", "/reg:64")
    test.prefix.reg("delete", DEVICE_CLASS, "/v", "PoleDisplay", "/f", "/reg:32")


# --- the cases

def install_on_64_bit_wine(test, display):
    """This prefix as it is: 64-bit Windows without a 32-bit subsystem."""
    run = run_script(test, INSTALL, "serial-com1")
    expect_account(test, run, [
        ("done", ["x64\\ORVIX.DLL registered for 64-bit applications", "System32\\regsvr32.exe"]),
        ("skipped", ["x86\\ORVIX.DLL", "no 32-bit subsystem", "SysWOW64\\regsvr32.exe is missing"]),
        ("done", ["orvix-serial-com1.reg imported into the 64-bit registry view"]),
        ("skipped", ["32-bit registry view"]),
    ], "install.cmd serial-com1 without a 32-bit subsystem")
    expect_registered_x64(test, "installed")
    expect_profiles(test, SERIAL_PROFILE, None, "installed")
    test.expect_equal(test.prefix.reg_tree(DEVICE_CLASS).get(""), ALIASES[""], "the logical name PoleDisplay is set")

    # The application's way in: the logical name of the template, the port of the template.
    ready_display(display)
    session = run_session(test, ["open:PoleDisplay", "claim:0", "enable:1", "textat:1:1:0:ORVIX installed",
                                 "textat:2:1:0:from the package", "release", "close"], what="the installed DLL")
    test.expect_equal(session.results(), [OPOS_SUCCESS, OPOS_SUCCESS, "done", OPOS_SUCCESS, OPOS_SUCCESS,
                                          OPOS_SUCCESS, OPOS_SUCCESS], "the installed DLL: every call succeeds")
    display.wait_bytes(len(OPENED) + (10 + len("ORVIX installed")) + (10 + len("from the package")), 3000)
    test.expect_equal(display.rows(), ["ORVIX installed     ", "from the package    "],
                      "the virtual display on COM1 shows the text")
    termios = dict(line.split("=", 1) for line in display.command("termios") if "=" in line)
    test.expect_equal((termios.get("baud"), termios.get("stop-bits")), ("9600", "1"),
                      "the port runs at the template's 9600 bits per second and one stop bit")

    # Switching the log on goes through install.cmd too, and takes effect at the next open.
    run = run_script(test, INSTALL, "logging-on")
    test.expect_run(run, "install.cmd logging-on")
    expect_profiles(test, dict(SERIAL_PROFILE, Option=dword(0x10)), None, "after logging-on")
    log_dir = test.work_dir / "log-cwd"
    log_dir.mkdir(exist_ok=True)
    ready_display(display)
    run_session(test, ["open:PoleDisplay", "close"], cwd=log_dir, what="an open with the log on")
    log = log_dir / "OPOSDebug.txt"
    opened = b"OpenService:\r\nDeviceClass:LineDisplay,DeviceName:PoleDisplay\r\n"
    test.check(log.is_file() and log.read_bytes().startswith(opened), "the debug log starts with the OpenService lines",
               log.read_bytes()[:200] if log.is_file() else "no log")
    run = run_script(test, INSTALL, "logging-off")
    test.expect_run(run, "install.cmd logging-off")
    expect_profiles(test, SERIAL_PROFILE, None, "after logging-off")


def with_32_bit_subsystem(test):
    """The stand-in as the regsvr32 of SysWOW64: now both kinds of application are served."""
    wow = StandIn(test, "C:\\windows\\syswow64")
    run = run_script(test, INSTALL, "serial-com1")
    expect_account(test, run, [
        ("done", ["x64\\ORVIX.DLL registered for 64-bit applications"]),
        ("done", ["x86\\ORVIX.DLL registered for 32-bit applications", "SysWOW64\\regsvr32.exe"]),
        ("done", ["imported into the 64-bit registry view"]),
        ("done", ["imported into the 32-bit registry view"]),
    ], "install.cmd serial-com1 with a 32-bit subsystem")
    expect_calls(test, wow, [["/s", X86_DLL]], "install.cmd")
    expect_registered_x64(test, "installed for both")
    expect_profiles(test, SERIAL_PROFILE, SERIAL_PROFILE, "installed for both")

    # A registration that fails is reported with its reason, and the rest still runs.
    wow.fail_with(5)
    run = run_script(test, INSTALL, "serial-com1")
    expect_account(test, run, [
        ("done", ["x64\\ORVIX.DLL registered"]),
        ("failed", ["x86\\ORVIX.DLL was not registered", "exit code 5", "Run as administrator"]),
        ("done", ["64-bit registry view"]),
        ("done", ["32-bit registry view"]),
    ], "install.cmd when the 32-bit registration fails", returncode=1)
    test.check("1 failed" in run.stdout, "the summary counts the failure", run.stdout)
    expect_calls(test, wow, [["/s", X86_DLL]], "the failing install.cmd")
    wow.fail_with(0)

    run = run_script(test, UNINSTALL)
    expect_account(test, run, [
        ("done", ["x64\\ORVIX.DLL unregistered"]),
        ("done", ["x86\\ORVIX.DLL unregistered", "SysWOW64\\regsvr32.exe"]),
        ("skipped", ["device profile kept in the 64-bit registry view", "/profiles"]),
        ("skipped", ["device profile kept in the 32-bit registry view"]),
    ], "uninstall.cmd")
    expect_calls(test, wow, [["/u", "/s", X86_DLL]], "uninstall.cmd")
    expect_unregistered(test, "uninstalled")
    expect_profiles(test, SERIAL_PROFILE, SERIAL_PROFILE, "uninstalled: the profile stays")

    run = run_script(test, UNINSTALL, "/profiles")
    expect_account(test, run, [
        ("done", ["x64\\ORVIX.DLL unregistered"]),
        ("done", ["x86\\ORVIX.DLL unregistered"]),
        ("done", ["device profile deleted from the 64-bit registry view"]),
        ("done", ["device profile deleted from the 32-bit registry view"]),
    ], "uninstall.cmd /profiles")
    expect_calls(test, wow, [["/u", "/s", X86_DLL]], "uninstall.cmd /profiles")
    expect_profiles(test, None, None, "uninstalled with /profiles")
    return wow


def on_32_bit_windows(test, wow):
    """A 32-bit Windows: its System32 regsvr32 is a 32-bit program, and there is one
    registry view."""
    system32 = StandIn(test, "C:\\win32\\System32")
    environment = {"PROCESSOR_ARCHITECTURE": "x86", "PROCESSOR_ARCHITEW6432": "", "SystemRoot": "C:\\win32"}
    run = run_script(test, INSTALL, "usb-1101", environment=environment)
    expect_account(test, run, [
        ("skipped", ["x64\\ORVIX.DLL", "32-bit Windows"]),
        ("done", ["x86\\ORVIX.DLL registered for 32-bit applications", "C:\\win32\\System32\\regsvr32.exe"]),
        ("done", ["orvix-usb-1101.reg imported into the registry"]),
    ], "install.cmd usb-1101 on 32-bit Windows")
    expect_calls(test, system32, [["/s", X86_DLL]], "install.cmd on 32-bit Windows")
    expect_calls(test, wow, [], "install.cmd on 32-bit Windows")
    expect_unregistered(test, "on 32-bit Windows, the 64-bit DLL")
    expect_profiles(test, usb_profile(0x1101), None, "installed on 32-bit Windows")

    run = run_script(test, UNINSTALL, "/profiles", environment=environment)
    expect_account(test, run, [
        ("skipped", ["x64\\ORVIX.DLL"]),
        ("done", ["x86\\ORVIX.DLL unregistered", "C:\\win32\\System32\\regsvr32.exe"]),
        ("done", ["device profile deleted from the registry"]),
    ], "uninstall.cmd /profiles on 32-bit Windows")
    expect_calls(test, system32, [["/u", "/s", X86_DLL]], "uninstall.cmd on 32-bit Windows")
    expect_profiles(test, None, None, "uninstalled on 32-bit Windows")
    system32.remove()


def from_32_bit_prompt(test):
    """A 32-bit command prompt on 64-bit Windows: the native regsvr32 is reached through
    Sysnative, the 32-bit one is in SysWOW64."""
    native = StandIn(test, "C:\\win64\\Sysnative")
    wow = StandIn(test, "C:\\win64\\SysWOW64")
    environment = {"PROCESSOR_ARCHITECTURE": "x86", "PROCESSOR_ARCHITEW6432": "AMD64", "SystemRoot": "C:\\win64"}
    run = run_script(test, INSTALL, "usb-2001", environment=environment)
    expect_account(test, run, [
        ("done", ["x64\\ORVIX.DLL registered for 64-bit applications", "C:\\win64\\Sysnative\\regsvr32.exe"]),
        ("done", ["x86\\ORVIX.DLL registered for 32-bit applications", "C:\\win64\\SysWOW64\\regsvr32.exe"]),
        ("done", ["64-bit registry view"]),
        ("done", ["32-bit registry view"]),
    ], "install.cmd usb-2001 from a 32-bit prompt")
    expect_calls(test, native, [["/s", X64_DLL]], "install.cmd from a 32-bit prompt")
    expect_calls(test, wow, [["/s", X86_DLL]], "install.cmd from a 32-bit prompt")
    expect_profiles(test, usb_profile(0x2001), usb_profile(0x2001), "installed from a 32-bit prompt")

    run = run_script(test, UNINSTALL, environment=environment)
    test.expect_run(run, "uninstall.cmd from a 32-bit prompt")
    expect_calls(test, native, [["/u", "/s", X64_DLL]], "uninstall.cmd from a 32-bit prompt")
    expect_calls(test, wow, [["/u", "/s", X86_DLL]], "uninstall.cmd from a 32-bit prompt")
    native.remove()
    wow.remove()
    delete_profiles(test)


def refusals(test):
    """Wrong arguments and Windows that the package does not serve change nothing; a step that
    fails says why."""
    for args, environment, words, what in [
        (["no-such-profile"], None, ["no profile \"no-such-profile\"", "serial-com1", "usb-1101", "logging-on"],
         "an unknown profile"),
        (["serial-com1", "usb-1101"], None, ["one profile at most"], "two profiles"),
        (["C:\\orvix-tests"], None, ['no profile "C:\\orvix-tests"'], "a folder as the profile"),
        (["serial-com1"], {"PROCESSOR_ARCHITECTURE": "ARM64", "PROCESSOR_ARCHITEW6432": ""}, ["ARM64"],
         "an ARM64 Windows"),
        (["serial-com1"], {"PROCESSOR_ARCHITECTURE": "x86", "PROCESSOR_ARCHITEW6432": "ARM64"}, ["ARM64"],
         "a 32-bit prompt on ARM64 Windows"),
    ]:
        run = run_script(test, INSTALL, *args, environment=environment)
        test.check(run.returncode == 2 and "Nothing was done" in run.stdout
                   and all(word in run.stdout for word in words), "install.cmd refuses %s" % what, run.describe())
        expect_unregistered(test, "after refusing %s" % what)
        expect_profiles(test, None, None, "after refusing %s" % what)

    test.expect_run(run_script(test, INSTALL, "/?"), "install.cmd /? shows the usage")
    test.expect_run(run_script(test, UNINSTALL, "/x"), "uninstall.cmd refuses an unknown switch", returncode=2)

    # A profile of the user's own that reg cannot import.
    broken = host_path(test.prefix, "C:\\orvix-tests\\not a profile.reg")
    broken.parent.mkdir(parents=True, exist_ok=True)
    broken.write_bytes(b"this is no registry file\r\n")
    run = run_script(test, INSTALL, "C:\\orvix-tests\\not a profile.reg")
    expect_account(test, run, [
        ("done", ["x64\\ORVIX.DLL registered"]),
        ("skipped", ["x86\\ORVIX.DLL"]),
        ("failed", ["not a profile.reg was not imported into the 64-bit registry view", "exit code"]),
        ("skipped", ["32-bit registry view"]),
    ], "install.cmd with a file that is no .reg file", returncode=1)
    test.check("holds no device profile" in run.stdout, "install.cmd warns that no profile is there", run.stdout)

    # An x64 DLL that Windows cannot load: the real regsvr32's exit code, explained.
    damaged = host_path(test.prefix, X64_DLL)
    original = damaged.read_bytes()
    damaged.write_bytes(b"MZ but no module")
    run = run_script(test, INSTALL)
    expect_account(test, run, [
        ("failed", ["x64\\ORVIX.DLL was not registered", "exit code 3", "could not load the DLL"]),
        ("skipped", ["x86\\ORVIX.DLL"]),
    ], "install.cmd with a damaged x64 DLL", returncode=1)
    damaged.write_bytes(original)
    test.expect_run(run_script(test, UNINSTALL), "uninstall.cmd after the failures")
    expect_unregistered(test, "after the failures")


def from_an_unusual_folder(test, package_dir):
    """A folder whose name cmd would take apart if the scripts let it: the package works from
    there as from anywhere, and its account names the folder."""
    folder = "C:\\POS (R&D)\\" + TOP
    shutil.copytree(package_dir, host_path(test.prefix, folder))
    dll = folder + "\\x64\\ORVIX.DLL"
    run = run_script(test, folder + "\\install.cmd", "serial-com1")
    expect_account(test, run, [
        ("done", ["x64\\ORVIX.DLL registered"]),
        ("skipped", ["x86\\ORVIX.DLL"]),
        ("done", [folder + "\\profiles\\orvix-serial-com1.reg imported into the 64-bit registry view"]),
        ("skipped", ["32-bit registry view"]),
    ], "install.cmd from %s" % folder)
    test.check(("installing from %s\\" % folder) in run.stdout, "install.cmd names the folder", run.stdout)
    typelib = test.prefix.reg_tree(TYPELIB_KEY + r"\1.0\0\win64")
    test.expect_equal(typelib, {"": {"": text(dll)}}, "the DLL of that folder is registered")
    run = run_script(test, folder + "\\uninstall.cmd", "/profiles")
    test.expect_run(run, "uninstall.cmd /profiles from %s" % folder)
    expect_unregistered(test, "after uninstalling from %s" % folder)
    expect_profiles(test, None, None, "after uninstalling from %s" % folder)


def templates_import_with_regedit(test, package_dir):
    """Every template of the package, imported with regedit as a user double-clicking it
    would, gives exactly its profile."""
    for name, expected in DEVICE_TEMPLATES:
        delete_profiles(test)
        # Over the serial profile, so that a USB template shows that it removes the serial
        # values it does not use.
        test.prefix.import_reg((package_dir / "profiles" / "orvix-serial-com1.reg").read_text(encoding="ascii"))
        result = test.prefix.run(["regedit", "/S", INSTALL_DIR + "\\profiles\\" + name])
        test.expect_run(result, "regedit /S %s" % name)
        test.expect_equal(test.prefix.reg_tree(PROFILE_64), {"": expected}, "%s gives its profile" % name)
        test.expect_equal(test.prefix.reg_tree(DEVICE_CLASS).get(""), ALIASES[""], "%s sets PoleDisplay" % name)
    for name, option in OPTION_TEMPLATES:
        result = test.prefix.run(["regedit", "/S", INSTALL_DIR + "\\profiles\\" + name])
        test.expect_run(result, "regedit /S %s" % name)
        test.expect_equal(test.prefix.reg_tree(PROFILE_64), {"": dict(usb_profile(0x2001), Option=dword(option))},
                          "%s changes only Option" % name)
    delete_profiles(test)


def run(test):
    zip_path = make_package(test)
    check_contents(test, zip_path)

    program_files = test.prefix.drive_c() / "Program Files"
    with zipfile.ZipFile(zip_path) as archive:
        archive.extractall(program_files)
    package_dir = program_files / TOP

    display = test.start_display(port="COM1")
    install_on_64_bit_wine(test, display)
    wow = with_32_bit_subsystem(test)
    on_32_bit_windows(test, wow)
    wow.remove()
    from_32_bit_prompt(test)
    refusals(test)
    from_an_unusual_folder(test, package_dir)
    templates_import_with_regedit(test, package_dir)
