#!/usr/bin/env bash
# Usage: scripts/coverage.sh [BUILD_DIR]   (default: build-coverage)
# Builds with --coverage -O0 in its own build directory, runs the whole suite
# there and prints the line coverage of every source file outside tests/,
# bench/ and fuzz/, one row per folder, then the total. A line counts as
# covered when any program ran it. The per-file table goes to
# BUILD_DIR/coverage-files.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-coverage}
# Counts of an earlier run would be merged into this one, or clash with
# objects built anew.
[ -d "$build" ] && find "$build" -name '*.gcda' -delete
scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Debug -DWEATHER_BENCH=OFF -DWEATHER_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_C_FLAGS="--coverage -O0" \
  -DCMAKE_EXE_LINKER_FLAGS="--coverage" -DCMAKE_SHARED_LINKER_FLAGS="--coverage"
find "$build" -name '*.gcda' -delete
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
if ! ctest --test-dir "$build" -j "$(nproc)" >"$build/coverage-ctest.log" 2>&1; then
  echo "some tests failed (see $build/coverage-ctest.log); coverage is of the run as it was"
fi
/usr/bin/python3 - "$build" "$PWD" <<'EOF'
import json
import os
import subprocess
import sys
from collections import defaultdict

build, source = (os.path.abspath(p) for p in sys.argv[1:3])
gcda = []
for root, _, names in os.walk(build):
    gcda += [os.path.join(root, n) for n in names if n.endswith(".gcda")]
if not gcda:
    sys.exit("no coverage data: did any test run?")

# Per source file: line number -> whether any object ran it.
lines = defaultdict(dict)
for start in range(0, len(gcda), 50):
    out = subprocess.run(["gcov", "--json-format", "--stdout", *gcda[start:start + 50]],
                         cwd=build, capture_output=True, text=True, check=True).stdout
    for doc in out.splitlines():
        if not doc.strip():
            continue
        data = json.loads(doc)
        cwd = data.get("current_working_directory", build)
        for entry in data["files"]:
            path = os.path.normpath(os.path.join(cwd, entry["file"]))
            rel = os.path.relpath(path, source)
            if rel.startswith("..") or rel.split(os.sep)[0] in ("tests", "bench", "fuzz", os.path.basename(build)):
                continue
            if not entry["lines"]:
                continue
            seen = lines[rel]
            for line in entry["lines"]:
                seen[line["line_number"]] = seen.get(line["line_number"], False) or line["count"] > 0

def folder(rel):
    parts = rel.split(os.sep)
    if parts[0] == "common" and len(parts) > 3:
        return os.sep.join(parts[:3])
    if parts[0] in ("tools", "platform") and len(parts) > 2:
        return os.sep.join(parts[:2])
    return parts[0]

folders = defaultdict(lambda: [0, 0])
with open(os.path.join(build, "coverage-files.txt"), "w") as files:
    for rel in sorted(lines):
        total, hit = len(lines[rel]), sum(lines[rel].values())
        folders[folder(rel)][0] += hit
        folders[folder(rel)][1] += total
        files.write(f"{rel:<55} {hit:>6} / {total:<6} {100.0 * hit / max(total, 1):6.1f}%\n")

print(f"{'folder':<28} {'lines':>15} {'covered':>8}")
all_hit = all_total = 0
for name in sorted(folders):
    hit, total = folders[name]
    all_hit += hit
    all_total += total
    print(f"{name:<28} {hit:>7}/{total:<7} {100.0 * hit / max(total, 1):7.1f}%")
print(f"{'total':<28} {all_hit:>7}/{all_total:<7} {100.0 * all_hit / max(all_total, 1):7.1f}%")
print(f"per file: {os.path.join(build, 'coverage-files.txt')}")
EOF
