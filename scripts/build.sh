#!/usr/bin/env bash
# Usage: scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
# Installs what is missing, configures and builds.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
