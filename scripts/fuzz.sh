#!/usr/bin/env bash
# Usage: scripts/fuzz.sh SECONDS [TARGET]
# Builds a libFuzzer target with clang in its own build directory
# (FUZZ_BUILD_DIR, default build-fuzz) and fuzzes it for SECONDS, starting
# from its seed corpus in fuzz/corpus/<target>. TARGET is restore_parser (the
# restore record parser, default) or records_file (the cloud records-file
# reader). New inputs go to <build>/fuzz-corpus/<target>; the seeds stay as
# they are.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [restore_parser|records_file]}
target=${2:-restore_parser}
case "$target" in
  restore_parser) max_len=65536 ;;
  records_file) max_len=16384 ;;
  *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
esac
build=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${FUZZ_BUILD_JOBS:-2}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DWEATHER_FUZZ=ON -DWEATHER_BENCH=OFF >/dev/null
cmake --build "$build" --target "${target}_fuzz" -j "$jobs"

work="$build/fuzz-corpus/$target"
mkdir -p "$work" "$build/fuzz-artifacts"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
"$build/fuzz/${target}_fuzz" "$work" "fuzz/corpus/$target" \
  -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/fuzz-artifacts/$target-" -print_final_stats=1
