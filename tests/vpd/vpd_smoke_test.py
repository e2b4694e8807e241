#!/usr/bin/env python3
"""Smoke test of the virtual pole display: start it, open its link as a client does, send a
text, read the rows through the control channel, quit.  Usage: vpd_smoke_test.py --vpd PROGRAM"""
import os
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools" / "demo"))
from wine_box import VirtualDisplay  # noqa: E402

with tempfile.TemporaryDirectory(prefix="vpd-smoke-") as folder:
    display = VirtualDisplay(sys.argv[sys.argv.index("--vpd") + 1], Path(folder) / "ttyDISPLAY", Path(folder) / "vpd.log")
    process = display.start().process  # the link is in place once the first command is answered
    client = os.open(display.link_path, os.O_RDWR | os.O_NOCTTY)
    os.write(client, b"\x1b\x40\x0cHELLO\x1f\x24\x03\x02WORLD")
    display.command("wait-bytes 17 5000")
    rows = display.rows()
    os.close(client)
    display.stop()
    if rows != ["HELLO               ", "  WORLD             "] or process.returncode != 0:
        sys.exit("rows %r, exit status %r" % (rows, process.returncode))
