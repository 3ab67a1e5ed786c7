#!/usr/bin/env bash
# Runs every benchmark program of a build (each bench/*.cpp) and prints one
# table of all their results: min and median of our time and of the baseline
# measured in the same run, in microseconds, and the ratios. The programs'
# own output goes to <build>/bench/logs/<program>.log.
#
#   scripts/bench.sh [build dir] [extra Google Benchmark flags...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
[[ -d $build/bench ]] || { echo "no benchmarks in $build (configure with -DWEATHER_BENCH=ON and build)" >&2; exit 2; }
logs=$build/bench/logs
mkdir -p "$logs"
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT

status=0
for source in "$root"/bench/*.cpp; do
  program=$(basename "$source" .cpp)
  binary=$build/bench/$program
  if [[ ! -x $binary ]]; then
    echo "$program: not built" >&2; status=1; continue
  fi
  echo "running $program ..." >&2
  if ! WEATHER_BENCH_SUMMARY=$summary nice -n 0 "$binary" "$@" >"$logs/$program.log" 2>&1; then
    echo "$program failed, see $logs/$program.log" >&2; status=1
  fi
done

echo "Benchmarks on $(hostname), $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg);"
echo "$(nproc) cores; min and median of 12 repetitions in microseconds; x = our time / baseline."
echo
echo "| program | benchmark | min | median | baseline min | baseline median | min x | median x |"
echo "|---|---|---:|---:|---:|---:|---:|---:|"
awk -F'\t' '$2 != "#" {
  ratio_min = ($5 > 0) ? sprintf("%.2f", $3 / $5) : "-";
  ratio_med = ($6 > 0) ? sprintf("%.2f", $4 / $6) : "-";
  base_min = ($5 > 0) ? $5 : "-"; base_med = ($6 > 0) ? $6 : "-";
  printf "| %s | %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, base_min, base_med, ratio_min, ratio_med
}' "$summary"
echo
awk -F'\t' '$2 == "#" { printf "- %s: %s\n", $1, $3 }' "$summary"
exit $status
