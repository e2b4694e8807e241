#!/usr/bin/env bash
# The Wine half of `make bench`: the benchmarks of ORVIX.DLL under Wine (compiled clients
# with their own timers, against the virtual display, each figure beside what it competes
# with) and the long soak, then their figures into docs/performance.md, between the markers
# of its Wine section.
#
#   scripts/wine-bench.sh [BUILD]        after `make host dll`; BUILD defaults to build
#
# ORVIX_BENCH_ROUNDS (default 100) sets the throughput rounds, ORVIX_SOAK_LONG_CALLS
# (default 1000000) the calls of the long soak; `make test` runs the soak with 100000.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
harness=$root/tests/wine/harness.py
template=$build/host/tests/wine/prefix-template
work=$build/wine-bench
doc=$root/docs/performance.md
rounds=${ORVIX_BENCH_ROUNDS:-100}
soak_calls=${ORVIX_SOAK_LONG_CALLS:-1000000}

for needed in "$build/win64/ORVIX.DLL" "$build/win64/wine-tests/orvix_wine_bench.exe" \
              "$build/win64/wine-tests/orvix_wine_stress.exe" "$build/host/tools/vpd/orvix-vpd"; do
  if [ ! -f "$needed" ]; then
    echo "wine-bench: $needed is missing (make host dll)" >&2
    exit 1
  fi
done

python3 "$harness" template --prefix "$template" || exit 1

run_scenario() {
  local name=$1 deadline=$2
  python3 "$harness" run "$name" --template "$template" --work "$work/$name" --win64 "$build/win64" \
    --vpd "$build/host/tools/vpd/orvix-vpd" --deadline "$deadline"
}

status=0
echo "=== Wine benchmarks ($rounds rounds)"
ORVIX_BENCH_ROUNDS=$rounds run_scenario benchmarks 1500 || status=1
echo "=== long soak ($soak_calls calls)"
ORVIX_SOAK_CALLS=$soak_calls run_scenario soak 3000 || status=1

python3 - "$doc" "$work" <<'PYTHON' || status=1
import datetime
import os
import subprocess
import sys
from pathlib import Path

doc, work = Path(sys.argv[1]), Path(sys.argv[2])
begin, end = "<!-- wine figures: begin (scripts/wine-bench.sh writes this part) -->", "<!-- wine figures: end -->"
figures = work / "benchmarks" / "wine-figures.md"
soak = work / "soak" / "soak-figures.txt"
if not doc.is_file() or begin not in doc.read_text(encoding="utf-8"):
    sys.exit("wine-bench: %s has no Wine figures markers; figures left in %s" % (doc, work))
version = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
lines = ["Last run: %s, %s, load average %s on %d cores (other work on the machine shares them)."
         % (datetime.date.today().isoformat(), version, "%.1f" % os.getloadavg()[0], os.cpu_count() or 0), ""]
lines.append(figures.read_text(encoding="utf-8").strip() if figures.is_file() else "The benchmarks did not finish.")
lines.append("")
lines.append("Long soak (`make bench`): " + (soak.read_text(encoding="utf-8").strip().replace("soak: ", "", 1)
                                             if soak.is_file() else "did not finish."))
text = doc.read_text(encoding="utf-8")
head, rest = text.split(begin, 1)
tail = rest.split(end, 1)[1] if end in rest else ""
doc.write_text(head + begin + "\n" + "\n".join(lines) + "\n" + end + tail, encoding="utf-8")
print("wine-bench: figures written to %s" % doc)
PYTHON
exit $status
