#!/usr/bin/env bash
# Builds and runs the libFuzzer targets.
#   fuzz/run.sh build BUILD_DIR                      configure (clang++) and build them
#   fuzz/run.sh run [--fresh] BUILD_DIR SECONDS [TARGET...]
#                                                    run each target for SECONDS
# A run starts from the seeds in fuzz/corpus/TARGET and keeps what it finds in
# BUILD_DIR/corpus/TARGET (with --fresh in a temporary folder that is removed afterwards,
# so that every run of the test suite starts from the same seeds). An input that breaks a
# target is kept as BUILD_DIR/artifacts/TARGET-crash-*; rerun it with
# BUILD_DIR/TARGET THAT_FILE. Every target runs even after one has failed; the exit status
# is non-zero when any failed.
set -u
here=$(cd "$(dirname "$0")" && pwd)
targets_all=(registrar profile_reader text_operations)

usage() { sed -n '2,10p' "$0" >&2; exit 2; }

case "${1:-}" in
  build)
    [ $# -eq 2 ] || usage
    cmake -S "$here" -B "$2" -DCMAKE_CXX_COMPILER="${CXX_FUZZ:-clang++}" >/dev/null || exit 1
    exec cmake --build "$2" -j"${JOBS:-2}"
    ;;
  run)
    shift
    fresh=0
    if [ "${1:-}" = --fresh ]; then fresh=1; shift; fi
    [ $# -ge 2 ] || usage
    build=$1 seconds=$2
    shift 2
    targets=("$@")
    [ ${#targets[@]} -gt 0 ] || targets=("${targets_all[@]}")
    failed=()
    scratch=
    if [ $fresh -eq 1 ]; then
      scratch=$(mktemp -d) || exit 1
      trap 'rm -rf "$scratch"' EXIT
    fi
    for target in "${targets[@]}"; do
      if [ ! -x "$build/$target" ]; then
        echo "$target: no such fuzz target in $build (run: fuzz/run.sh build $build)" >&2
        failed+=("$target")
        continue
      fi
      if [ $fresh -eq 1 ]; then work=$scratch/$target; else work=$build/corpus/$target; fi
      mkdir -p "$work"
      mkdir -p "$build/artifacts"
      echo "=== $target: ${seconds} s"
      "$build/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$work" "$here/corpus/$target" 2>&1 |
        grep -v -e '^#[0-9]*[[:space:]]*\(NEW\|REDUCE\|pulse\)' -e 'NEW_FUNC' -e '# Uses: ' \
          -e 'Recommended dictionary' -e 'End of recommended' -e '^INFO: Loaded' -e '^[[:space:]]*$'
      status=${PIPESTATUS[0]}
      [ "$status" -eq 0 ] || failed+=("$target")
    done
    if [ ${#failed[@]} -gt 0 ]; then
      echo "fuzz targets failed: ${failed[*]}"
      exit 1
    fi
    echo "fuzz targets passed: ${targets[*]}"
    ;;
  *) usage ;;
esac
