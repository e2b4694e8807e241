#!/usr/bin/env bash
# Runs the host suite, then the Wine suite, and ends with one 'N passed, M failed' line
# summed over both. A suite that cannot run (a missing tool) counts as failed, never as
# skipped.
set -u
build=${1:-build/host}
passed=0
failed=0

run_suite() {
  local label=$1 jobs=$2 log
  log=$(mktemp)
  echo "=== $label tests"
  ctest --test-dir "$build" -L "$label" --output-on-failure --no-tests=error -j"$jobs" 2>&1 | tee "$log"
  local total fails
  total=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\2/p' "$log" | tail -1)
  fails=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
  if [ -z "$total" ]; then
    echo "$label suite did not run"
    failed=$((failed + 1))
  else
    passed=$((passed + total - fails))
    failed=$((failed + fails))
  fi
  rm -f "$log"
}

run_suite host 2
run_suite wine 1
echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
