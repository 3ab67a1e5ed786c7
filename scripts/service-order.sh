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
# compression "(id) name" defines a name at first use, in fn=, cfn= and the
# object lines alike.
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
' "$work"/profiles/cg.* | LC_ALL=C sort -u >"$work/ran"

# Hexadecimal to decimal in awk (mawk has no strtonum).
hexfn='function hex(h,    v, i) { v = 0; h = tolower(h); for (i = 1; i <= length(h); i++) v = v * 16 + index("0123456789abcdef", substr(h, i, 1)) - 1; return v }'

# Links the service with the order in file $1 and counts the 64 KiB windows
# of its code segment that hold code that ran: what a job maps of it.
windows() {
  cp "$1" "$order"
  cmake --build "$build" --target weather-backup-restore >/dev/null
  readelf -lW "$service" | awk '$1 == "LOAD" && $7 == "R" && $8 == "E" { print $2, $3 }' >"$work/segment"
  nm -S --defined-only "$service" | awk "$hexfn"'
    FILENAME == ARGV[1] { offset = hex(substr($1, 3)); vaddr = hex(substr($2, 3)); next }
    FILENAME == ARGV[2] { ran[$1] = 1; next }
    NF == 4 && ($4 in ran) {
      start = hex($1) - vaddr + offset; end = start + hex($2) - 1
      for (w = int(start / 65536); w <= int(end / 65536); w++) used[w] = 1
    }
    END { n = 0; for (w in used) n++; print n }' "$work/segment" "$1" -
}

# SQLite comes as an archive of objects with one code section each, which the
# linker moves whole: an object of which only a sliver runs (an extension's
# registration, say) brings its cold bulk into the ordered code. Where those
# slivers fall decides how many windows the ordered code spans, so the order
# is the better of two: the functions as they are, or with the objects where
# less than a third ran named last, fullest first.
archive=$(sed -n 's/^WEATHER_SQLITE_ARCHIVE:FILEPATH=//p' "$build/CMakeCache.txt")
cp "$work/ran" "$work/best"
if [[ -n $archive && -f $archive ]]; then
  nm -S --defined-only "$archive" 2>/dev/null | awk "$hexfn"'
    FILENAME == ARGV[1] { ran[$1] = 1; next }
    /\.o:$/ { object = $0; next }
    NF == 4 && $3 ~ /^[tT]$/ {
      total[object] += hex($2); owner[$4] = object
      if ($4 in ran) used[object] += hex($2)
    }
    END {
      for (f in owner) if ((f in ran) && used[owner[f]] * 3 < total[owner[f]])
        printf "%.6f %s %s\n", used[owner[f]] / total[owner[f]], owner[f], f
    }' "$work/ran" - | LC_ALL=C sort -k1,1gr -k2,2 -k3,3 | awk '{ print $3 }' >"$work/sparse"
  { grep -vxF -f "$work/sparse" "$work/ran" || true; cat "$work/sparse"; } >"$work/sparse-last"
  plain=$(windows "$work/ran")
  last=$(windows "$work/sparse-last")
  echo "ordered code over $plain windows as it is, $last with the sparse SQLite objects last"
  if ((last < plain)); then cp "$work/sparse-last" "$work/best"; fi
fi
cp "$work/best" "$order"
cmake --build "$build" --target weather-backup-restore >/dev/null
echo "$(wc -l <"$order") functions in $order"
