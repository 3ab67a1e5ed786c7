#!/usr/bin/env bash
# Usage: scripts/test.sh [BUILD_DIR] [extra cmake arguments...]
# Installs what is missing, builds and runs every test. Fails when a test
# fails, and when a test is skipped without saying why (a failed suite-level
# set-up shows as skips); every skip is listed with its reason.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
scripts/build.sh "$build" "$@"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
junit="$(cd "$build" && pwd)/ctest-junit.xml"
rm -f "$junit"
status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --output-junit "$junit" || status=$?
/usr/bin/python3 - "$junit" <<'EOF' || status=1
# A skipped test's output holds GoogleTest's "<file>:<line>: Skipped" line
# followed by the reason given to GTEST_SKIP, up to the "[  SKIPPED ]" line;
# a script test (exit 77) prints its reason on a line "skipped: <reason>".
import sys
import xml.etree.ElementTree as ET

try:
    cases = ET.parse(sys.argv[1]).getroot().iter("testcase")
except (OSError, ET.ParseError) as error:
    print(f"no test results to check for skips: {error}")
    sys.exit(1)
unexplained = 0
for case in cases:
    if case.get("status") != "skipped" and case.find("skipped") is None:
        continue
    output = (case.findtext("system-out") or "").splitlines()
    reason = []
    for i, line in enumerate(output):
        if line.endswith(": Skipped"):
            for rest in output[i + 1:]:
                if rest.startswith("[  SKIPPED ]"):
                    break
                reason.append(rest.strip())
            break
        if line.startswith("skipped: "):
            reason.append(line[len("skipped: "):].strip())
            break
    reason = " ".join(part for part in reason if part)
    if reason:
        print(f"skipped: {case.get('name')}: {reason}")
    else:
        unexplained += 1
        print(f"SKIPPED WITHOUT A REASON: {case.get('name')}")
        print("\n".join("    " + line for line in output[-40:]))
if unexplained:
    print(f"{unexplained} test(s) skipped without a reason: a skip must say why")
    sys.exit(1)
EOF
exit "$status"
