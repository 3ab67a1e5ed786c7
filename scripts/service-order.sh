#!/usr/bin/env bash
# Regenerates src/weather-backup-restore.order, the function order of the
# service binary's lean link (cmake/LeanServiceLink.cmake): every function of
# the binary that runs while the service does its jobs, recorded by callgrind
# (which sees each function that runs, however rarely, where a sampling
# profiler would miss some).
#
#   scripts/service-order.sh [build dir]      (needs valgrind)
#
# Runs the service under callgrind for: a backup on a fresh device (it creates
# the databases), a restore and a get-info, each starting the service, then
# the three jobs served by one service process. Rerun it after changes to the
# service's code paths; a stale order only costs resident size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
order=$root/src/weather-backup-restore.order
command -v valgrind >/dev/null || { echo "valgrind is needed (apt-get install valgrind)" >&2; exit 2; }

cmake --build "$build" --target weather-backup-restore backupctl >/dev/null
service=$build/src/weather-backup-restore
backupctl=$build/tools/backupctl

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/device" "$work/profiles"
cat >"$work/service" <<EOF
#!/bin/sh
exec valgrind -q --tool=callgrind --demangle=no --dump-instr=no \
  --callgrind-out-file=$work/profiles/cg.%p "$service" "\$@"
EOF
chmod +x "$work/service"
export WEATHER_DEVICE_ROOT=$work/device WEATHER_SERVICE_BINARY=$work/service

# Waits until callgrind has written the profiles of N finished services.
wait_profiles() {
  for _ in $(seq 600); do
    local done=0
    for f in "$work"/profiles/cg.*; do
      [[ -f $f ]] && tail -n 1 "$f" | grep -q '^totals:' && done=$((done + 1))
    done
    ((done >= $1)) && return 0
    sleep 0.5
  done
  echo "the service did not end under callgrind" >&2
  exit 1
}

job() { "$backupctl" --timeout 120 "$@" >/dev/null; }
job backup; wait_profiles 1
job restore; wait_profiles 2
job info; wait_profiles 3
job backup; job restore; job info; wait_profiles 4

# Names the functions of the service binary that ran, sorted so that a
# regenerated file differs only where the code paths did. Callgrind's name
# compression "(id) name" defines a name
# at first use, in fn=, cfn= and the object lines alike.
awk -v BIN="$service" '
  function named(s, table,    id, rest) {
    if (match(s, /^\([0-9]+\)/)) {
      id = substr(s, 2, RLENGTH - 2); rest = substr(s, RLENGTH + 1); sub(/^ /, "", rest)
      if (rest != "") table[id] = rest
      return table[id]
    }
    return s
  }
  /^ob=/  { ob = named(substr($0, 4), objects); next }
  /^cob=/ { named(substr($0, 5), objects); next }
  /^cfn=/ { named(substr($0, 5), functions); next }
  /^fn=/  { fn = named(substr($0, 4), functions); sub(/'\''[0-9]+$/, "", fn)
            if (ob == BIN && fn !~ /^0x/ && fn !~ /^\(/) print fn }
' "$work"/profiles/cg.* | LC_ALL=C sort -u >"$order"

echo "$(wc -l <"$order") functions in $order"
