#!/usr/bin/env bash
# Runs the host suite, then the Wine suite, and ends with one 'N passed, M failed' line
# summed over both (and the reason when the x86 half of the Wine suite was skipped). A suite
# that cannot run counts as failed, never as skipped. ORVIX_FAIL_FAST=1 stops after the
# first suite that failed. ORVIX_BUILD_DLL, when set, is the command that builds the DLLs
# before the Wine suite; a failed build counts as a failed suite.
set -u
build=${1:-build/host}
passed=0
failed=0

run_suite() {
  local label=$1 jobs=$2 log total fails skipped
  log=$(mktemp)
  echo "=== $label tests"
  ctest --test-dir "$build" -L "$label" --output-on-failure --no-tests=error -j"$jobs" 2>&1 | tee "$log"
  total=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\2/p' "$log" | tail -1)
  fails=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\1/p' "$log" | tail -1)
  skipped=$(grep -c '\*\*\*Skipped' "$log")
  rm -f "$log"
  # The Wine suite's groups (registration, cases played and host-only, checks, scripts...).
  grep -hE '^x(64|86) [a-z.]+: ' "$build/Testing/Temporary/LastTest.log" 2>/dev/null
  if [ -z "$total" ]; then
    echo "$label suite did not run"
    failed=$((failed + 1))
    return 1
  fi
  passed=$((passed + total - fails - skipped))
  failed=$((failed + fails))
  [ "$fails" -eq 0 ]
}

status=0
for suite in "host 2" "wine 1"; do
  if [ "$suite" = "wine 1" ] && [ -n "${ORVIX_BUILD_DLL:-}" ] && ! $ORVIX_BUILD_DLL; then
    echo "the Windows builds failed"
    failed=$((failed + 1))
    status=1
    break
  fi
  run_suite $suite || status=1
  if [ $status -ne 0 ] && [ "${ORVIX_FAIL_FAST:-0}" = 1 ]; then
    echo "ORVIX_FAIL_FAST=1: stopped after a suite that failed"
    break
  fi
done
echo
[ -f "$build/tests/wine/x86-skipped.txt" ] && cat "$build/tests/wine/x86-skipped.txt"
echo "$passed passed, $failed failed"
exit $status
