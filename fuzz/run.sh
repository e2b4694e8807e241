#!/usr/bin/env bash
# Builds and runs the libFuzzer targets.
#   fuzz/run.sh build BUILD_DIR                               configure (clang++) and build
#   fuzz/run.sh run [--fresh] BUILD_DIR SECONDS [TARGET...]   run each for SECONDS
# A run starts from fuzz/corpus/TARGET and keeps what it finds in BUILD_DIR/corpus/TARGET
# (with --fresh in a temporary folder, so every test run starts from the same seeds). An
# input that breaks a target is kept as BUILD_DIR/artifacts/TARGET-crash-*; rerun it with
# BUILD_DIR/TARGET FILE. Every target runs; the status is non-zero when any failed.
set -u
here=$(cd "$(dirname "$0")" && pwd)
case "${1:-} $#" in
  "build 2") cmake -S "$here" -B "$2" -DCMAKE_CXX_COMPILER="${CXX_FUZZ:-clang++}" >/dev/null && exec cmake --build "$2" -j"${JOBS:-2}"; exit 1 ;;
  run*) shift ;;
  *) sed -n '2,8p' "$0"; exit 2 ;;
esac
keep=; [ "${1:-}" = --fresh ] && shift || keep=1
scratch=$(mktemp -d) && trap 'rm -rf "$scratch"' EXIT
build=$1 seconds=$2 failed=
shift 2 && [ $# -gt 0 ] || set -- registrar profile_reader text_operations
for target in "$@"; do
  work=${keep:+$build/corpus/$target}; work=${work:-$scratch/$target}
  mkdir -p "$work" "$build/artifacts" "$here/corpus/$target" && echo "=== $target: $seconds s"
  "$build/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
    "$work" "$here/corpus/$target" 2>&1 | grep -v -e '^#[0-9]' -e '^INFO: ' -e '^[[:space:]]*$'
  [ "${PIPESTATUS[0]}" -eq 0 ] || failed="$failed $target"
done
[ -z "$failed" ] || { echo "fuzz targets failed:$failed"; exit 1; }
echo "fuzz targets passed: $*"
