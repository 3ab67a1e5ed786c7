#!/usr/bin/env bash
# Usage: scripts/format.sh [--check]
# Formats every C and C++ file of the tree with the clang-format of Debian's
# clang 14 (other versions format differently); --check changes nothing and
# fails when a file is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format-14 >/dev/null || {
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang-format-14 >/dev/null
}
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [[ ${1:-} == --check ]]; then
  clang-format-14 --style=file --dry-run -Werror "${files[@]}"
else
  clang-format-14 --style=file -i "${files[@]}"
fi
