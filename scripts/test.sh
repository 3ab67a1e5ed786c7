#!/usr/bin/env bash
# Usage: scripts/test.sh [BUILD_DIR] [extra cmake arguments...]
# Installs what is missing, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
scripts/build.sh "$build" "$@"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
