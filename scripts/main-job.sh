#!/usr/bin/env bash
# The main job on the default device root (or $WEATHER_DEVICE_ROOT): back the
# weather settings up through the service, as the cloud backup client does,
# and show the record that was stored.
set -euo pipefail
build=${1:-build}
"$build/tools/devicectl" init >/dev/null
"$build/tools/backupctl" backup
echo
echo "settings on the device:"
"$build/tools/backupctl" settings
echo
echo "newest stored backup:"
"$build/tools/backupctl" list | tail -n 2
