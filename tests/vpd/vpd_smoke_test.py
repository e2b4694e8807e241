#!/usr/bin/env python3
"""Smoke test of the virtual pole display: start it, open its link as a client does, send a
text, read the rows through the control channel, quit.  Usage: vpd_smoke_test.py --vpd PROGRAM"""
import os, subprocess, sys, tempfile

with tempfile.TemporaryDirectory(prefix="vpd-smoke-") as folder:
    link = os.path.join(folder, "ttyDISPLAY")
    vpd = subprocess.Popen([sys.argv[sys.argv.index("--vpd") + 1], "--control", link], text=True,
                           stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def command(line):
        vpd.stdin.write(line + "\n")
        vpd.stdin.flush()
        answer = [vpd.stdout.readline().rstrip("\n")]
        while answer[-1] and answer[-1] != "OK" and not answer[-1].startswith("ERR"):
            answer.append(vpd.stdout.readline().rstrip("\n"))
        return answer

    command("state")  # the link is in place once the first command is answered
    client = os.open(link, os.O_RDWR | os.O_NOCTTY)
    os.write(client, b"\x1b\x40\x0cHELLO\x1f\x24\x03\x02WORLD")
    rows = command("wait-bytes 17 5000") + command("rows")
    os.close(client)
    command("quit")
    if rows != ["OK", "|HELLO               |", "|  WORLD             |", "OK"] or vpd.wait(timeout=10) != 0:
        sys.exit("rows %r, exit status %r" % (rows, vpd.returncode))
