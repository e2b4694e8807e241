#!/usr/bin/env bash
# The Wine half of `make bench`, for both DLLs: the benchmarks of ORVIX.DLL under Wine
# (compiled clients with their own timers, against the virtual display, each figure beside
# what it competes with) and the long soak, then their figures into docs/performance.md,
# between the markers of its Wine section. The x86 DLL runs where this kernel runs 32-bit
# programs and ORVIX_WINE32 is not 0; otherwise the section says why not.
#
#   bench/wine-bench.sh [BUILD]        after `make host dll`; BUILD defaults to build
#
# ORVIX_BENCH_ROUNDS (default 100) sets the throughput rounds, ORVIX_SOAK_LONG_CALLS
# (default 1000000) the calls of the long soak.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$build/wine-bench
doc=$root/docs/performance.md
vpd=$build/host/tools/vpd/orvix-vpd
export ORVIX_BENCH_ROUNDS=${ORVIX_BENCH_ROUNDS:-100} ORVIX_SOAK_CALLS=${ORVIX_SOAK_LONG_CALLS:-1000000}

skip_x86=""
if [ "${ORVIX_WINE32:-1}" = 0 ]; then
  skip_x86="on purpose (ORVIX_WINE32=0)"
elif ! why=$(/usr/lib/wine/wine --version 2>&1); then
  skip_x86="this kernel cannot run 32-bit programs (/usr/lib/wine/wine --version: ${why##*: })"
fi

status=0
rm -rf "$work"
for arch in x64 x86; do
  dll=$build/win64/ORVIX.DLL
  [ $arch = x86 ] && dll=$build/win32/ORVIX.DLL
  if [ $arch = x86 ] && [ -n "$skip_x86" ]; then
    echo "x86 half skipped: $skip_x86"
    continue
  fi
  for scenario in benchmarks soak; do
    echo "=== $arch: $scenario"
    python3 "$root/bench/wine/bench_box.py" $scenario --arch $arch --dll "$dll" --vpd "$vpd" \
      --work "$work/$arch-$scenario" || status=1
  done
done

python3 - "$doc" "$work" "$skip_x86" <<'PYTHON' || status=1
import datetime
import os
import subprocess
import sys
from pathlib import Path

doc, work, skip_x86 = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
begin, end = "<!-- wine figures: begin (bench/wine-bench.sh writes this part) -->", "<!-- wine figures: end -->"
text = doc.read_text(encoding="utf-8")
marker = next((line for line in text.splitlines() if line.startswith("<!-- wine figures: begin")), None)
if marker is None:
    sys.exit("wine-bench: %s has no Wine figures markers; figures left in %s" % (doc, work))
version = subprocess.run(["/usr/lib/wine/wine64", "--version"], capture_output=True, text=True).stdout.strip()
lines = ["Last run: %s, %s, load average %.1f on %d cores (other work on the machine shares them)."
         % (datetime.date.today().isoformat(), version, os.getloadavg()[0], os.cpu_count() or 0)]
for arch, dll in (("x64", "the x64 DLL, 64-bit clients"), ("x86", "the x86 DLL, 32-bit clients under WoW64")):
    lines += ["", "### %s" % dll, ""]
    if arch == "x86" and skip_x86:
        lines.append("Not measured: %s." % skip_x86)
        continue
    figures = work / ("%s-benchmarks" % arch) / "wine-figures.md"
    soak = work / ("%s-soak" % arch) / "soak-figures.txt"
    lines.append(figures.read_text(encoding="utf-8").strip() if figures.is_file() else "The benchmarks did not finish.")
    lines += ["", "Long soak: " + (soak.read_text(encoding="utf-8").strip().replace("soak: ", "", 1)
                                   if soak.is_file() else "did not finish.")]
head, rest = text.split(marker, 1)
tail = rest.split(end, 1)[1] if end in rest else ""
doc.write_text(head + begin + "\n" + "\n".join(lines) + "\n" + end + tail, encoding="utf-8")
print("wine-bench: figures written to %s" % doc)
PYTHON
exit $status
