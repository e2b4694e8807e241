#!/usr/bin/env python3
"""End-to-end test of orvix-vpd: a client opens the pty through the link, writes the
display's commands, and the test checks what the control channel reports.

    python3 tests/vpd/vpd_end_to_end_test.py --vpd build/host/tools/vpd/orvix-vpd [-v]
"""
import argparse
import os
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time
import unittest

VPD = None
ID_REQUEST = bytes([0x02, 0x05, 0x45, 0x4F, 0x03])


class Vpd:
    """One orvix-vpd in control mode, with its link in a directory of its own."""

    def __init__(self, *extra):
        self.dir = tempfile.TemporaryDirectory(prefix="vpd-e2e-")
        self.link = os.path.join(self.dir.name, "ttyDISPLAY")
        self.screen = os.path.join(self.dir.name, "screen.txt")
        self.pending = b""
        self.proc = subprocess.Popen(
            [VPD, "--control", "--screen", self.screen, *extra, self.link],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        # The link is in place once the first command is answered.
        self.command("state")

    def command(self, line, timeout=10.0):
        """Sends one command and returns (data lines, closing line)."""
        self.proc.stdin.write((line + "\n").encode())
        self.proc.stdin.flush()
        lines = []
        deadline = time.monotonic() + timeout
        while True:
            text = self._next_line(deadline, line)
            if text == "OK" or text.startswith("ERR"):
                return lines, text
            lines.append(text)

    def _next_line(self, deadline, command):
        # Reads the pipe itself: a buffered reader would hide lines from select.
        fd = self.proc.stdout.fileno()
        while b"\n" not in self.pending:
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([fd], [], [], remaining)[0]:
                raise AssertionError("no answer to %r" % command)
            chunk = os.read(fd, 4096)
            if not chunk:
                raise AssertionError("orvix-vpd ended while answering %r" % command)
            self.pending += chunk
        text, self.pending = self.pending.split(b"\n", 1)
        return text.decode("utf-8")

    def ok(self, line):
        lines, closing = self.command(line)
        if closing != "OK":
            raise AssertionError("%r answered %r" % (line, closing))
        return lines

    def rows(self):
        return self.ok("rows")

    def state(self):
        return dict(line.split("=", 1) for line in self.ok("state"))

    def open_client(self):
        return os.open(self.link, os.O_RDWR | os.O_NOCTTY)

    def finish(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for stream in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            try:
                stream.close()
            except OSError:
                pass
        self.dir.cleanup()


def read_within(fd, count, seconds):
    """Reads up to `count` bytes, waiting at most `seconds` in all; b"" when none came."""
    got = b""
    deadline = time.monotonic() + seconds
    while len(got) < count:
        remaining = deadline - time.monotonic()
        if remaining <= 0 or not select.select([fd], [], [], remaining)[0]:
            break
        got += os.read(fd, count - len(got))
    return got


def row(text):
    return "|" + text.ljust(20) + "|"


class VpdTest(unittest.TestCase):
    def setUp(self):
        self.vpd = Vpd()
        self.addCleanup(self.vpd.finish)
        self.client = self.vpd.open_client()
        self.addCleanup(self.close_client)

    def close_client(self):
        if self.client is not None:
            os.close(self.client)
            self.client = None

    def write(self, data):
        os.write(self.client, data)

    def sync(self, total):
        self.vpd.ok("wait-bytes %d 5000" % total)

    def test_link_leads_to_a_pty(self):
        self.assertTrue(os.path.islink(self.vpd.link))
        self.assertTrue(os.readlink(self.vpd.link).startswith("/dev/pts/"))
        self.assertTrue(os.isatty(self.client))

    def test_arrivals_stamp_each_read_on_the_real_time_clock(self):
        before = time.time_ns()
        self.write(b"ABC")
        self.sync(3)
        middle = time.time_ns()
        self.write(b"DEFGH")
        self.sync(8)
        after = time.time_ns()
        reads = [tuple(int(field) for field in line.split()) for line in self.vpd.ok("arrivals")]
        self.assertEqual([count for count, _ in reads], [3, 8])
        self.assertTrue(before <= reads[0][1] <= middle <= reads[1][1] <= after, reads)
        self.vpd.ok("clear-bytes")
        self.assertEqual(self.vpd.ok("arrivals"), [])

    def test_commands_cut_across_writes(self):
        stream = (b"\x1b\x40\x0c" b"Hello" b"\x1f\x24\x03\x02" b"World"
                  b"\x1b\x57abcdef" b"!" b"\x1f\x58\x02")
        # Each piece leaves the line on its own, so the display reads the commands cut up:
        # after ESC, inside the cursor move, inside ESC W and its parameters.
        pieces = [stream[0:1], stream[1:4], stream[4:10], stream[10:11], stream[11:19],
                  stream[19:24], stream[24:]]
        for piece in pieces:
            self.write(piece)
            time.sleep(0.02)
        self.sync(len(stream))
        self.assertEqual(self.vpd.rows(), [row("Hello"), row("  World!")])
        self.assertEqual(self.vpd.ok("bytes"), [stream.hex(" ").upper()])
        state = self.vpd.state()
        self.assertEqual((state["brightness"], state["row"], state["column"]), ("2", "2", "9"))

    def test_clear_bytes_starts_the_log_again(self):
        self.write(b"AB")
        self.sync(2)
        self.vpd.ok("clear-bytes")
        self.assertEqual(self.vpd.ok("bytes"), [""])
        self.write(b"\x0c")
        self.sync(1)
        self.assertEqual(self.vpd.ok("bytes"), ["0C"])
        self.assertEqual(self.vpd.rows(), [row(""), row("")])

    def test_identification_replies(self):
        cases = [
            ("KVD5100", b"\x07KVD5100"),
            ("KVD5130", b"\x07KVD5130"),
            ("lead 06 KVD5100", b"\x06KVD5100"),
            ("raw 07 41 42 43 44 45 46 47", b"\x07ABCDEFG"),
        ]
        for plan, reply in cases:
            with self.subTest(plan=plan):
                self.vpd.ok("reply " + plan)
                self.write(ID_REQUEST)
                self.assertEqual(read_within(self.client, 8, 2.0), reply)
        self.vpd.ok("reply silent")
        self.write(ID_REQUEST)
        self.assertEqual(read_within(self.client, 8, 0.3), b"")
        self.assertEqual(self.vpd.state()["id-requests"], "5")
        _, closing = self.vpd.command("reply KVD51")
        self.assertTrue(closing.startswith("ERR"))

    def test_late_reply_misses_the_first_read_and_meets_the_retry(self):
        self.vpd.ok("reply late 1500 KVD5100")
        start = time.monotonic()
        self.write(ID_REQUEST)
        self.assertEqual(read_within(self.client, 8, 1.0), b"", "the reply came before 1000 ms")
        reply = read_within(self.client, 8, 2.0)
        elapsed = time.monotonic() - start
        self.assertEqual(reply, b"\x07KVD5100")
        self.assertGreaterEqual(elapsed, 1.45)
        self.assertLess(elapsed, 2.5)

    def test_flush_discards_unread_and_owed_replies(self):
        self.write(ID_REQUEST)
        self.sync(5)
        time.sleep(0.1)  # the reply now waits in the pty for a read that never comes
        self.vpd.ok("reply late 300 KVD5100")
        self.write(ID_REQUEST)
        self.sync(10)
        self.vpd.ok("flush")
        self.assertEqual(read_within(self.client, 8, 0.6), b"")
        self.assertEqual(self.vpd.state()["replies-owed"], "0")

    def test_send_writes_bytes_to_the_client(self):
        self.vpd.ok("send 07 4B 56")
        self.assertEqual(read_within(self.client, 3, 2.0), b"\x07KV")
        _, closing = self.vpd.command("send 0")
        self.assertTrue(closing.startswith("ERR"))

    def test_client_closes_and_reopens(self):
        for round_number in range(3):
            self.close_client()
            time.sleep(0.05)
            self.client = self.vpd.open_client()
            self.write(b"\x0cround %d" % round_number)
            self.sync(8 * (round_number + 1))
            self.assertEqual(self.vpd.rows(), [row("round %d" % round_number), row("")])

    def test_drop_and_restore(self):
        self.vpd.ok("drop")
        self.assertFalse(os.path.lexists(self.vpd.link))
        self.assertEqual(self.vpd.state()["port"], "dropped")
        with self.assertRaises(OSError):
            os.write(self.client, b"x")
        _, closing = self.vpd.command("drop")
        self.assertTrue(closing.startswith("ERR"))
        _, closing = self.vpd.command("termios")
        self.assertTrue(closing.startswith("ERR"))
        self.close_client()

        self.vpd.ok("restore")
        self.assertTrue(os.path.islink(self.vpd.link))
        self.client = self.vpd.open_client()
        self.vpd.ok("clear-bytes")
        self.write(b"\x0cback")
        self.sync(5)
        self.assertEqual(self.vpd.rows(), [row("back"), row("")])
        self.write(ID_REQUEST)
        self.assertEqual(read_within(self.client, 8, 2.0), b"\x07KVD5100")

    def test_termios_shows_the_client_settings(self):
        attributes = termios.tcgetattr(self.client)
        attributes[2] |= termios.CSTOPB
        attributes[4] = attributes[5] = termios.B19200
        termios.tcsetattr(self.client, termios.TCSANOW, attributes)
        settings = dict(line.split("=", 1) for line in self.vpd.ok("termios"))
        self.assertEqual(settings["baud"], "19200")
        self.assertEqual(settings["stop-bits"], "2")
        self.assertEqual(settings["parity"], "none")
        self.assertEqual(settings["data-bits"], "8")

    def test_any_bytes_leave_it_answering(self):
        data = bytes((i * 7919 + 13) % 256 for i in range(65536))
        for start in range(0, len(data), 4096):
            os.write(self.client, data[start:start + 4096])
        self.sync(len(data))
        self.vpd.ok("flush")
        self.vpd.ok("reset")
        self.write(b"\x1b\x40still here")
        self.sync(12)
        self.assertEqual(self.vpd.rows(), [row("still here"), row("")])


class LifetimeTest(unittest.TestCase):
    """How orvix-vpd ends, and what it leaves behind."""

    def check_ends_cleanly(self, end):
        vpd = Vpd()
        try:
            end(vpd)
            self.assertEqual(vpd.proc.wait(timeout=5), 0)
            self.assertFalse(os.path.lexists(vpd.link))
        finally:
            vpd.finish()

    def test_quit(self):
        def quit_command(vpd):
            self.assertEqual(vpd.command("quit"), ([], "OK"))
        self.check_ends_cleanly(quit_command)

    def test_end_of_control_input(self):
        self.check_ends_cleanly(lambda vpd: vpd.proc.stdin.close())

    def test_sigterm(self):
        self.check_ends_cleanly(lambda vpd: vpd.proc.send_signal(signal.SIGTERM))

    def test_replaces_an_old_symlink_but_nothing_else(self):
        with tempfile.TemporaryDirectory(prefix="vpd-e2e-") as directory:
            link = os.path.join(directory, "tty")
            os.symlink("/nonexistent", link)
            proc = subprocess.Popen([VPD, "--control", link], stdin=subprocess.PIPE,
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            out, _ = proc.communicate(b"state\nquit\n", timeout=5)
            self.assertIn(b"slave=/dev/pts/", out)
            self.assertEqual(proc.returncode, 0)

            with open(link + "2", "w") as plain:
                plain.write("keep me")
            proc = subprocess.run([VPD, "--control", link + "2"], input=b"", capture_output=True, timeout=5)
            self.assertNotEqual(proc.returncode, 0)
            self.assertIn(b"not a symlink", proc.stderr)
            with open(link + "2") as plain:
                self.assertEqual(plain.read(), "keep me")


def main():
    global VPD
    parser = argparse.ArgumentParser()
    parser.add_argument("--vpd", required=True, help="path of the orvix-vpd program")
    options, rest = parser.parse_known_args()
    VPD = os.path.abspath(options.vpd)
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
