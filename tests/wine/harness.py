#!/usr/bin/env python3
"""The Wine harness: runs ORVIX.DLL for real under Wine, in throwaway prefixes.

Usage (CTest calls it so; see tests/wine/CMakeLists.txt):

    harness.py template --prefix DIR
        Makes the booted prefix that every scenario starts from (once; reused while the
        Wine version stays the same).
    harness.py run SCENARIO --template DIR --work DIR --win64 DIR [--vpd PROGRAM]
        Copies the template into DIR/prefix, runs tests/wine/scenarios/SCENARIO.py and
        fails when any of its checks failed.
    harness.py static --dll PATH --arch i686|x86_64
        Checks a module from its file: exports, imports, resources, version block (this
        machine has no 32-bit Wine to run the i686 one).

A scenario is a module with `run(test)`; `test` is a WineTest (below). Everything Wine
prints goes to files, never to pipes: Wine's helper processes inherit the standard handles
of the first Wine command and would hold a pipe open long after it ended.
"""

import argparse
import importlib.util
import os
import queue
import shutil
import signal
import subprocess
import sys
import threading
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
# Scenarios import this file as `harness`. Run as a program it is __main__, and the import
# would load a second copy, whose HarnessError the handler in main() does not catch.
if __name__ == "__main__":
    sys.modules.setdefault("harness", sys.modules["__main__"])

import pe_file  # noqa: E402  (tests/wine/pe_file.py)

# How long a persistent wineserver outlives its last client. Short, so that a harness that
# was killed leaves no server behind for long.
SERVER_LINGER_SECONDS = 30
DEFAULT_TIMEOUT = 60


class HarnessError(Exception):
    """A step of the harness itself failed: the test cannot go on."""


class Deadline(Exception):
    """The scenario ran out of time."""


def wine_tools_present():
    missing = [tool for tool in ("wine", "wineserver", "wineboot") if shutil.which(tool) is None]
    if missing:
        raise HarnessError("missing Wine tools: %s (install wine and wine64: make deps)" % ", ".join(missing))


def wine_version():
    result = subprocess.run(["wine", "--version"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=30, check=False)
    return result.stdout.decode(errors="replace").strip()


def unix_to_windows(path):
    """The Z: path under which Wine shows a host path."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class CompletedRun:
    """What one Wine command left: its exit code and its output, CR LF made LF."""

    def __init__(self, args, returncode, stdout, stderr):
        self.args = args
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr

    def lines(self):
        return [line for line in self.stdout.split("\n") if line != ""]

    def describe(self):
        return "%s -> exit %s\n--- stdout\n%s--- stderr\n%s" % (
            " ".join(self.args), self.returncode, self.stdout, self.stderr)


class WinePrefix:
    """One Wine prefix and its wineserver. Commands run with their output in files."""

    def __init__(self, path, log_dir):
        self.path = Path(path)
        self.log_dir = Path(log_dir)
        self.log_dir.mkdir(parents=True, exist_ok=True)
        self._counter = 0
        self.env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "LC_ALL"):
            self.env.pop(name, None)
        self.env.update({
            "WINEPREFIX": str(self.path),
            "WINEDEBUG": "-all",
            # No .NET or HTML engine installers, no dialogs asking for them.
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            # Fixes the ANSI code page at 1252 whatever the machine's locale.
            "LANG": "en_US.UTF-8",
        })

    # --- the prefix itself

    def boot(self, timeout=300):
        """Makes a new prefix (wineboot -i) and readies it for tests."""
        self._run_plain(["wineboot", "-i"], timeout)
        self._run_plain(["wineserver", "-w"], timeout)
        self.start_server()
        # A crash must fail the test at once, not start the debugger and hang.
        self.run(["reg", "delete", r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug",
                  "/v", "Debugger", "/f"])
        self.stop_server()

    def copy_from(self, template):
        """Makes this prefix a copy of `template`. The files are hard links (a prefix holds
        several hundred MB of modules that nothing writes); the registry files, which the
        wineserver rewrites, are real copies."""
        if self.path.exists():
            self.stop_server()
            shutil.rmtree(self.path)
        subprocess.run(["cp", "-al", str(template), str(self.path)], check=True, timeout=120)
        for registry_file in self.path.glob("*.reg"):
            registry_file.unlink()
            shutil.copy2(Path(template) / registry_file.name, registry_file)

    def start_server(self):
        """A persistent wineserver, so that each command costs a fraction of a second, and
        Wine's helper processes started with their output going nowhere."""
        self._run_plain(["wineserver", "-p%d" % SERVER_LINGER_SECONDS], 30)
        self._run_plain(["wine", "cmd.exe", "/c", "exit", "0"], DEFAULT_TIMEOUT)

    def stop_server(self):
        try:
            self._run_plain(["wineserver", "-k"], 30)
        except HarnessError:
            pass
        try:
            self._run_plain(["wineserver", "-w"], 30)
        except HarnessError:
            pass

    def _run_plain(self, args, timeout):
        process = subprocess.Popen(args, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            _kill_group(process)
            raise HarnessError("%s did not end within %d s" % (" ".join(args), timeout))

    # --- commands

    def run(self, args, timeout=DEFAULT_TIMEOUT, cwd=None):
        """Runs `wine ARGS`, waits at most `timeout` seconds and gives a CompletedRun."""
        self._counter += 1
        stem = self.log_dir / ("%03d-%s" % (self._counter, Path(args[0]).name.replace("\\", "_")))
        out_path = stem.with_suffix(".out")
        err_path = stem.with_suffix(".err")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            process = subprocess.Popen(["wine"] + list(args), env=self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=err, start_new_session=True)
            try:
                returncode = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                _kill_group(process)
                raise HarnessError("wine %s did not end within %d s" % (" ".join(args), timeout))
        return CompletedRun(["wine"] + list(args), returncode, _read_text(out_path), _read_text(err_path))

    def regsvr32(self, dll, unregister=False):
        args = ["regsvr32", "/s"] + (["/u"] if unregister else []) + [dll]
        return self.run(args)

    def reg(self, *args):
        return self.run(["reg"] + list(args))

    def reg_tree(self, key):
        """The keys and values below `key` (reg query /s) as {key: {value name: (type, data)}},
        key names relative to `key` ("" for itself), the default value named ""; None when
        the key does not exist."""
        return self.reg_trees(key)[0]

    def reg_trees(self, *keys):
        """reg_tree of several keys with one Wine command (each Wine start costs more than
        the queries)."""
        marker = "==== orvix end of query ===="
        # No quotes: Wine hands cmd's command line over with them escaped as \".
        if any(" " in key or "&" in key for key in keys):
            raise HarnessError("reg_trees takes keys without spaces: %r" % (keys,))
        line = " & ".join("reg query %s /s & echo %s" % (key, marker) for key in keys)
        result = self.run(["cmd.exe", "/c", line])
        sections = result.stdout.split(marker)
        if len(sections) != len(keys) + 1:
            raise HarnessError("reg query gave no answer for every key\n" + result.describe())
        # A missing key leaves only reg's complaint (which Wine's reg writes to stdout).
        return [parse_reg_query(text, key) if "\nHKEY_" in "\n" + text else None
                for key, text in zip(keys, sections)]

    def import_reg(self, text):
        """Imports registry text (REGEDIT4 or Windows Registry Editor 5.00) with regedit."""
        self._counter += 1
        path = self.log_dir / ("%03d-import.reg" % self._counter)
        path.write_text(text, encoding="utf-8")
        result = self.run(["regedit", "/S", unix_to_windows(path)])
        if result.returncode != 0:
            raise HarnessError("regedit could not import %s\n%s" % (path, result.describe()))

    def cscript(self, script, *args, timeout=DEFAULT_TIMEOUT):
        return self.run(["cscript", "//nologo", unix_to_windows(script)] + list(args), timeout=timeout)

    def drive_c(self):
        return self.path / "drive_c"

    def install(self, source, folder, name=None):
        """Copies `source` to C:\\<folder>\\<name> and gives that Windows path."""
        target_dir = self.drive_c() / folder
        target_dir.mkdir(parents=True, exist_ok=True)
        name = name or Path(source).name
        shutil.copy2(source, target_dir / name)
        return "C:\\" + folder.replace("/", "\\") + "\\" + name

    def map_com_port(self, port, unix_path):
        """Makes the Windows port `port` (e.g. COM7) lead to `unix_path`. Wine rewrites its
        dosdevices links at start-up, so the port is given in the registry and the
        wineserver is started again."""
        result = self.reg("add", r"HKLM\Software\Wine\Ports", "/v", port, "/d", str(unix_path), "/f")
        if result.returncode != 0:
            raise HarnessError("cannot map %s\n%s" % (port, result.describe()))
        self.stop_server()
        self.start_server()


def _kill_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        pass


def _read_text(path):
    data = Path(path).read_bytes()
    return data.decode("utf-8", errors="replace").replace("\r\n", "\n")


def parse_reg_query(text, root):
    """Parses `reg query ROOT /s` output (Wine's layout: a key line, then indented
    "name    TYPE    data" lines)."""
    root_full = None
    tree = {}
    current = None
    for line in text.split("\n"):
        if not line.strip():
            continue
        if not line.startswith(" "):
            full = line.strip()
            if root_full is None:
                root_full = full
            relative = full[len(root_full):].lstrip("\\") if full.lower().startswith(root_full.lower()) else full
            current = tree.setdefault(relative, {})
            continue
        parts = line.strip().split("    ")
        parts = [part for part in parts if part != ""]
        if current is None or len(parts) < 2:
            continue
        name = "" if parts[0] == "(Default)" else parts[0]
        data = parts[2] if len(parts) > 2 else ""
        current[name] = (parts[1], data)
    return tree


class VirtualDisplay:
    """The virtual pole display (tools/vpd) on a pty, driven through its control channel:
    one command line in, data lines and a closing "OK" or "ERR <why>" out."""

    def __init__(self, program, link_path, log_path, reply=None, screen=None):
        self.program = program
        self.link_path = Path(link_path)
        self.log_path = Path(log_path)
        self.reply = reply
        self.screen = screen  # where the display is drawn for people (--screen), if anywhere
        self.process = None
        self._lines = queue.Queue()

    def start(self, timeout=10):
        args = [str(self.program), "--control"]
        if self.reply:
            args += ["--reply", self.reply]
        if self.screen:
            args += ["--screen", str(self.screen)]
        args.append(str(self.link_path))
        self._log = open(self.log_path, "wb")
        self.process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self._log,
                                        start_new_session=True)
        threading.Thread(target=self._read, daemon=True).start()
        # Answers once its loop runs, by which time the pty and the link exist.
        self.command("state", timeout=timeout)
        if not self.link_path.is_symlink():
            raise HarnessError("the virtual display made no link at %s" % self.link_path)
        return self

    def _read(self):
        for raw in self.process.stdout:
            self._lines.put(raw.decode(errors="replace").rstrip("\n"))
        self._lines.put(None)

    def command(self, line, timeout=10, allow_error=False):
        """Sends one command and gives its data lines; an ERR reply raises HarnessError
        unless `allow_error`, which gives the data lines followed by the ERR line."""
        if self.process is None or self.process.poll() is not None:
            raise HarnessError("the virtual display is not running")
        self.process.stdin.write((line + "\n").encode())
        self.process.stdin.flush()
        data = []
        end = time.monotonic() + timeout
        while True:
            try:
                reply = self._lines.get(timeout=max(0.0, end - time.monotonic()))
            except queue.Empty:
                raise HarnessError("the virtual display did not answer %r within %d s" % (line, timeout))
            if reply is None:
                raise HarnessError("the virtual display ended while answering %r" % line)
            if reply == "OK":
                return data
            if reply.startswith("ERR"):
                if allow_error:
                    return data + [reply]
                raise HarnessError("the virtual display refused %r: %s" % (line, reply))
            data.append(reply)

    # --- the commands later scenarios need most

    def state(self):
        """The display's `state` lines as a dict."""
        return dict(line.split("=", 1) for line in self.command("state") if "=" in line)

    def rows(self):
        """The two rows as shown, 20 characters each."""
        return [line[1:-1] for line in self.command("rows")]

    def received_bytes(self):
        """Every byte received since the start or the last clear, as a bytes object."""
        lines = self.command("bytes")
        return bytes.fromhex(lines[0]) if lines else b""

    def wait_bytes(self, count, timeout_ms=5000):
        """True once `count` bytes have arrived in all, False after the time-out."""
        reply = self.command("wait-bytes %d %d" % (count, timeout_ms), timeout=timeout_ms / 1000 + 10,
                             allow_error=True)
        return not (reply and reply[-1].startswith("ERR"))

    def stop(self):
        if self.process is None:
            return
        if self.process.poll() is None:
            try:
                self.process.stdin.write(b"quit\n")
                self.process.stdin.flush()
                self.process.wait(timeout=5)
            except (OSError, subprocess.TimeoutExpired):
                _kill_group(self.process)
        self.process = None
        self._log.close()


class WineTest:
    """What a scenario works with: the prefix, the built programs, and the checks."""

    def __init__(self, name, prefix, work_dir, win64_dir, vpd=None):
        self.name = name
        self.prefix = prefix
        self.work_dir = Path(work_dir)
        self.win64_dir = Path(win64_dir)
        self.wine_test_dir = self.win64_dir / "wine-tests"
        self.scripts_dir = HERE / "scripts"
        self.vpd = Path(vpd) if vpd else None
        self.failures = 0
        self.checks = 0
        self._displays = []

    # --- built files

    @property
    def dll(self):
        return self.win64_dir / "ORVIX.DLL"

    @property
    def client(self):
        return self.wine_test_dir / "orvix_wine_client.exe"

    def require(self, *paths):
        for path in paths:
            if not Path(path).is_file():
                raise HarnessError("%s is missing: build the Windows side first (make dll)" % path)

    # --- checks

    def check(self, passed, what, detail=None):
        self.checks += 1
        print(("ok " if passed else "FAIL ") + what, flush=True)
        if not passed:
            self.failures += 1
            if detail:
                print("  " + str(detail).replace("\n", "\n  "), flush=True)
        return passed

    def expect_equal(self, actual, expected, what):
        return self.check(actual == expected, what, "got      %r\nexpected %r" % (actual, expected))

    def expect_run(self, result, what, returncode=0):
        return self.check(result.returncode == returncode, what, result.describe())

    # --- common steps

    def install_dll(self, source=None, folder="orvix"):
        """Copies the module into the prefix and gives its Windows path."""
        source = source or self.dll
        self.require(source)
        return self.prefix.install(source, folder, "ORVIX.DLL")

    def register(self, dll_path, what=None):
        result = self.prefix.regsvr32(dll_path)
        self.expect_run(result, what or "regsvr32 %s" % dll_path)
        return result

    def run_client(self, mode, *args, what=None):
        """Runs the compiled client in one of its modes and checks that every check in it
        ran and passed."""
        self.require(self.client)
        client = self.prefix.install(self.client, "orvix-tests")
        result = self.prefix.run([client, mode] + list(args))
        summary = [line for line in result.lines() if line.startswith("checks: ")]
        passed = result.returncode == 0 and summary and summary[-1].endswith(", 0 failed")
        self.check(bool(passed), what or "client %s" % mode, result.describe())
        return result

    def run_script(self, name, what=None):
        """Runs tests/wine/scripts/NAME with cscript and compares its output with
        NAME.expected."""
        script = self.scripts_dir / name
        result = self.prefix.cscript(script)
        expected = (self.scripts_dir / (name + ".expected")).read_text(encoding="utf-8")
        same = result.stdout.strip("\n") == expected.strip("\n")
        detail = result.describe()
        if not same:
            detail += "--- expected\n" + expected
        self.check(same and result.returncode == 0, what or "cscript %s" % name, detail)
        return result

    def start_display(self, port="COM7", reply=None):
        """Starts the virtual pole display and makes `port` lead to it. Stopped at the end
        of the scenario."""
        if self.vpd is None or not self.vpd.is_file():
            raise HarnessError("the virtual display program is missing (build tools/vpd: make host)")
        link = self.work_dir / ("tty-%s" % port.lower())
        display = VirtualDisplay(self.vpd, link, self.work_dir / ("vpd-%s.log" % port.lower()), reply)
        self._displays.append(display)
        display.start()
        self.prefix.map_com_port(port, link)
        return display

    def finish(self):
        for display in self._displays:
            display.stop()
        self._displays = []


def load_scenario(name):
    scenarios = HERE / "scenarios"
    if str(scenarios) not in sys.path:
        sys.path.insert(0, str(scenarios))
    path = scenarios / (name + ".py")
    if not path.is_file():
        raise HarnessError("no scenario %s (%s)" % (name, path))
    module_spec = importlib.util.spec_from_file_location("scenario_" + name, path)
    module = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(module)
    return module


def command_template(args):
    wine_tools_present()
    prefix_dir = Path(args.prefix)
    marker = prefix_dir / ".orvix-template"
    version = wine_version()
    if marker.is_file() and marker.read_text().strip() == version:
        print("template prefix %s is ready (%s)" % (prefix_dir, version))
        return 0
    if prefix_dir.exists():
        shutil.rmtree(prefix_dir)
    prefix = WinePrefix(prefix_dir, prefix_dir.parent / (prefix_dir.name + "-logs"))
    try:
        prefix.boot()
    finally:
        prefix.stop_server()
    marker.write_text(version + "\n")
    print("template prefix %s made (%s)" % (prefix_dir, version))
    return 0


def _on_alarm(signum, frame):
    raise Deadline()


def command_run(args):
    wine_tools_present()
    template = Path(args.template)
    if not (template / ".orvix-template").is_file():
        raise HarnessError("no template prefix at %s (the wine_prefix fixture test makes it)" % template)
    scenario = load_scenario(args.scenario)
    work_dir = Path(args.work)
    if work_dir.exists():
        shutil.rmtree(work_dir, ignore_errors=True)
    work_dir.mkdir(parents=True)
    prefix = WinePrefix(work_dir / "prefix", work_dir / "logs")
    test = WineTest(args.scenario, prefix, work_dir, args.win64, args.vpd)
    signal.signal(signal.SIGALRM, _on_alarm)
    signal.signal(signal.SIGTERM, _on_alarm)
    signal.alarm(args.deadline)
    try:
        prefix.copy_from(template)
        prefix.start_server()
        scenario.run(test)
    except Deadline:
        test.check(False, "the scenario ended within %d s" % args.deadline)
    finally:
        signal.alarm(0)
        test.finish()
        prefix.stop_server()
    print("%s: %d checks, %d failed" % (args.scenario, test.checks, test.failures))
    if test.checks == 0:
        print("no check ran")
        return 1
    return 1 if test.failures else 0


def command_static(args):
    failures = pe_file.check_static(Path(args.dll), args.arch)
    return 1 if failures else 0


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    template = commands.add_parser("template")
    template.add_argument("--prefix", required=True)
    run = commands.add_parser("run")
    run.add_argument("scenario")
    run.add_argument("--template", required=True)
    run.add_argument("--work", required=True)
    run.add_argument("--win64", required=True, help="the x86_64 Windows build folder (ORVIX.DLL, wine-tests/)")
    run.add_argument("--vpd", help="the virtual pole display program")
    run.add_argument("--deadline", type=int, default=240, help="seconds before the scenario is stopped")
    static = commands.add_parser("static")
    static.add_argument("--dll", required=True)
    static.add_argument("--arch", required=True, choices=sorted(pe_file.ARCHITECTURES))
    args = parser.parse_args(argv)
    try:
        if args.command == "template":
            return command_template(args)
        if args.command == "run":
            return command_run(args)
        return command_static(args)
    except HarnessError as error:
        print("harness: %s" % error, flush=True)
        return 1


if __name__ == "__main__":
    sys.exit(main())
