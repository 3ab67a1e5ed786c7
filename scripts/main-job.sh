#!/usr/bin/env bash
# The main job on the default device root (or $WEATHER_DEVICE_ROOT).
set -euo pipefail
build=${1:-build}
"$build/tools/devicectl" show
