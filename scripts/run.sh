#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the default device root.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
exec scripts/main-job.sh build
