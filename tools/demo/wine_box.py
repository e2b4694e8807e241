"""A Wine prefix and the virtual pole display, for running ORVIX.DLL under Wine.

Every Wine program is started with an explicit loader and a full Windows path: once Debian's
wine32 is installed, /usr/bin/wine and the tool wrappers (wineboot, regedit...) start the
32-bit loader, whose programs see the 32-bit registry view. The 64-bit loader starts 32-bit
programs too (from C:\\windows\\syswow64), handing them to the 32-bit one.

Wine's output always goes to files: its helper processes inherit the standard handles of the
first Wine command of a prefix and would hold a pipe open long after that command ended.
"""

import os
import queue
import shutil
import signal
import subprocess
import threading
import time
from pathlib import Path

LOADER64 = "/usr/lib/wine/wine64"
LOADER32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver64"
SYSTEM32 = "C:\\windows\\system32\\"
SYSWOW64 = "C:\\windows\\syswow64\\"
REGEDIT = "C:\\windows\\regedit.exe"  # the 64-bit one; the 32-bit one is in syswow64


def serial_profile(port, option=0):
    """The device profile that `msiexec /i orvix-<version>-x64.msi CONNECTION=COM PORT=<port>
    LOGICALNAME=PoleDisplay` writes (9600 8N1), as a registry file for regedit."""
    return "\r\n".join([
        "REGEDIT4", "",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay]",
        '"PoleDisplay"="ORVIX"', "",
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX]",
        '@="OPOS.ORVIX"', '"DeviceType"="COM"', '"COMPORT"="%s"' % port, '"Baud"="9600"', '"Parity"="0"',
        '"DataLength"="8"', '"StopBit"="0"', '"Option"=dword:%08x' % option, ""])


class WineError(Exception):
    """Wine or the virtual display could not do what was asked."""


def unix_to_windows(path):
    """The Z: path under which Wine shows a host path."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def quiet_run(args, env=None, timeout=60):
    try:
        return subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=timeout, check=False)
    except (OSError, subprocess.TimeoutExpired) as error:
        return subprocess.CompletedProcess(args, 127, str(error).encode(), None)


def wine_install():
    """What a prefix is made for: the Wine version and whether wine32 is installed."""
    if not os.access(LOADER64, os.X_OK):
        raise WineError("%s is missing: install wine and wine64 (make deps)" % LOADER64)
    version = quiet_run([LOADER64, "--version"]).stdout.decode(errors="replace").strip()
    return "%s, wine32 %s" % (version, "installed" if os.path.exists(LOADER32) else "not installed")


class Run:
    """What one Wine command left: its exit code and its output."""

    def __init__(self, args, returncode, stdout):
        self.args, self.returncode, self.stdout = args, returncode, stdout

    def lines(self):
        return [line for line in self.stdout.replace("\r\n", "\n").split("\n") if line]

    def describe(self):
        return "%s -> exit %s\n%s" % (" ".join(self.args), self.returncode, self.stdout)


class Prefix:
    """A 64-bit Wine prefix, kept while the Wine install stays the same, with a wineserver
    that persists while it is started.

    Each user (the test suite, the demo, the benchmarks) has a prefix of its own, used in
    place, and no file of it is shared with another prefix. The test suite once ran in
    hard-linked copies of one template prefix (cp -al). Wine rewrites its programs in place
    when it updates a prefix (at the first start after a Wine package changed): it truncates
    each file, then writes it. Through the links one copy's update rewrote the template and
    every other copy, C:\\windows\\system32\\regsvr32.exe among them, and a copy that ran
    that regsvr32 at that moment failed in install.cmd with "Can't recognize
    '...regsvr32.exe...' as an internal or external command" (cmd says so whenever
    CreateProcess fails, also on a file that exists but is empty)."""

    def __init__(self, path, log_dir, win32=False):
        """`win32`: a prefix of 32-bit Windows (WINEARCH=win32), run by the 32-bit loader."""
        self.path, self.loader = Path(path), LOADER32 if win32 else LOADER64
        self.log_dir = Path(log_dir)
        self.log_dir.mkdir(parents=True, exist_ok=True)
        self._count = 0
        self.env = {name: value for name, value in os.environ.items()
                    if name not in ("DISPLAY", "WAYLAND_DISPLAY", "LC_ALL", "WINEARCH")}
        # No .NET or HTML engine installers; the ANSI code page 1252 whatever the locale.
        self.env.update(WINEPREFIX=str(self.path), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        LANG="en_US.UTF-8", WINESERVER=WINESERVER, **({"WINEARCH": "win32"} if win32 else {}))

    def ready(self):
        """Makes the prefix unless one made for this Wine install is there. True when made."""
        marker = self.path / ".orvix-wine"
        install = wine_install()
        if marker.is_file() and marker.read_text().strip() == install:
            return False
        if self.path.exists():
            self.stop()
            shutil.rmtree(self.path)
        self._plain([self.loader, "wineboot", "-i"], 300)
        self._plain([WINESERVER, "-w"], 60)
        self.start()
        # A crash must fail at once, not start the debugger and hang.
        for view in ("/reg:32",) if self.loader == LOADER32 else ("/reg:64", "/reg:32"):
            self.run(SYSTEM32 + "reg.exe", "delete", r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug",
                     "/v", "Debugger", "/f", view)
        self.stop()
        marker.write_text(install + "\n")
        return True

    def start(self):
        """A wineserver that stays between commands (and a minute after the last one, should
        this program be killed), and Wine's helper processes started with their output going
        nowhere."""
        self._plain([WINESERVER, "-p60"], 30)
        self._plain([self.loader, SYSTEM32 + "cmd.exe", "/c", "exit", "0"], 120)

    def stop(self):
        self._plain([WINESERVER, "-k"], 30)
        self._plain([WINESERVER, "-w"], 30)

    def _plain(self, args, timeout):
        process = subprocess.Popen(args, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            kill_group(process)
            raise WineError("%s did not end within %d s" % (" ".join(args), timeout))

    def start_program(self, program, *args, cwd=None):
        """Starts PROGRAM (a Windows path) with the 64-bit loader; gives the process and the
        file its output goes to."""
        self._count += 1
        out_path = self.log_dir / ("%03d-%s.out" % (self._count, program.split("\\")[-1]))
        with open(out_path, "wb") as out:
            process = subprocess.Popen([self.loader, program] + [str(a) for a in args], env=self.env, cwd=cwd,
                                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                       start_new_session=True)
        return process, out_path

    def finish(self, process, out_path, timeout):
        try:
            returncode = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            kill_group(process)
            returncode = "killed after %d s" % timeout
        return Run([str(a) for a in process.args], returncode, out_path.read_bytes().decode("utf-8", "replace"))

    def run(self, program, *args, cwd=None, timeout=120):
        return self.finish(*self.start_program(program, *args, cwd=cwd), timeout)

    def drive_c(self):
        return self.path / "drive_c"

    def install(self, source, windows_dir, name=None):
        """Puts a copy of `source` at C:\\WINDOWS_DIR\\NAME and gives that path. Written to a
        new file and renamed over the old one: never written into a file that may share
        its data with another (a hard link)."""
        name = name or Path(source).name
        target = self.drive_c() / windows_dir.replace("\\", "/") / name
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, str(target) + ".new")
        os.replace(str(target) + ".new", target)
        return "C:\\%s\\%s" % (windows_dir, name)

    def map_port(self, port, unix_path):
        """Makes the Windows port lead to `unix_path`. Wine rewrites its dosdevices links at
        start-up, so the port goes into the registry (its 64-bit view) and the server starts
        again."""
        result = self.run(SYSTEM32 + "reg.exe", "add", r"HKLM\Software\Wine\Ports", "/v", port, "/d",
                          str(unix_path), "/f")
        if result.returncode != 0:
            raise WineError("cannot map %s\n%s" % (port, result.describe()))
        self.stop()
        self.start()


def kill_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    process.wait()


class VirtualDisplay:
    """The virtual pole display (tools/vpd) on a pty, driven through its control channel:
    one command line in, data lines and a closing "OK" or "ERR <why>" out."""

    def __init__(self, program, link_path, log_path, screen=None):
        self.program, self.link_path, self.log_path, self.screen = program, Path(link_path), Path(log_path), screen
        self.process = None
        self._lines = queue.Queue()

    def start(self):
        args = [str(self.program), "--control"] + (["--screen", str(self.screen)] if self.screen else [])
        self._log = open(self.log_path, "wb")
        self.process = subprocess.Popen(args + [str(self.link_path)], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self._log, start_new_session=True)
        threading.Thread(target=self._read, daemon=True).start()
        self.command("state")  # answered once its loop runs: the pty and the link exist
        return self

    def _read(self):
        for raw in self.process.stdout:
            self._lines.put(raw.decode(errors="replace").rstrip("\n"))
        self._lines.put(None)

    def command(self, line, timeout=15, allow_error=False):
        """Sends one command and gives its data lines; an ERR raises WineError unless
        `allow_error`, which gives the data lines and then the ERR line."""
        if self.process is None or self.process.poll() is not None:
            raise WineError("the virtual display is not running")
        self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()
        data, end = [], time.monotonic() + timeout
        while True:
            try:
                reply = self._lines.get(timeout=max(0.0, end - time.monotonic()))
            except queue.Empty:
                raise WineError("the virtual display did not answer %r within %d s" % (line, timeout))
            if reply is None:
                raise WineError("the virtual display ended while answering %r" % line)
            if reply == "OK":
                return data
            if reply.startswith("ERR"):
                if allow_error:
                    return data + [reply]
                raise WineError("the virtual display refused %r: %s" % (line, reply))
            data.append(reply)

    def rows(self):
        return [line[1:-1] for line in self.command("rows")]

    def state(self):
        return dict(line.split("=", 1) for line in self.command("state") if "=" in line)

    def stop(self):
        if self.process is not None and self.process.poll() is None:
            try:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.flush()
                self.process.wait(timeout=5)
            except (OSError, subprocess.TimeoutExpired):
                kill_group(self.process)
        if self.process is not None:
            self._log.close()
        self.process = None
