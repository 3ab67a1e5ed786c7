#!/usr/bin/env bash
# Usage: scripts/fuzz.sh SECONDS
# Builds the libFuzzer targets with clang in their own build directory
# (FUZZ_BUILD_DIR, default build-fuzz) and fuzzes the restore record parser
# for SECONDS, starting from the seed corpus in fuzz/corpus/restore_parser.
# New inputs go to <build>/fuzz-corpus/restore_parser; the seeds stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS}
build=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${FUZZ_BUILD_JOBS:-2}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DWEATHER_FUZZ=ON -DWEATHER_BENCH=OFF >/dev/null
cmake --build "$build" --target restore_parser_fuzz -j "$jobs"

work="$build/fuzz-corpus/restore_parser"
mkdir -p "$work" "$build/fuzz-artifacts"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
"$build/fuzz/restore_parser_fuzz" "$work" fuzz/corpus/restore_parser \
  -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/fuzz-artifacts/" -print_final_stats=1
