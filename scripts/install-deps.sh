#!/usr/bin/env bash
# Usage: scripts/install-deps.sh [extra package...]
# Installs the Debian packages the project needs, and any named, only those
# that are missing.
set -euo pipefail
# chromium and the Noto fonts: weatherctl render's pages are checked in the
# browser, with a font for every script of the catalogues and Burmese. strace:
# the hostile-file matrix finds the paths the programs touch by tracing them.
packages=(cmake ninja-build g++ pkg-config libsqlite3-dev sqlite3 libglib2.0-dev libjson-glib-dev
          libicu-dev libgtest-dev faketime libbenchmark-dev gettext clang libclang-rt-14-dev python3
          chromium fonts-noto-core fonts-noto-cjk strace "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# System locales whose formatting the tests check (dates, numbers; de_DE stands
# for the languages with a decimal comma). A catalogue language needs none:
# without its system locale the messages run under C.UTF-8 and still read the
# catalogue (fr_FR, es_ES and ru_RU are tested that way). Generated only when
# missing.
locales=(en_US zh_CN zh_TW zh_HK ko_KR ja_JP lo_LA ar_AE pa_IN de_DE)
dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q "install ok installed" || {
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends locales >/dev/null
}
available=$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]')
wanted=()
for l in "${locales[@]}"; do
  grep -qx "$(echo "$l" | tr '[:upper:]' '[:lower:]').utf8" <<<"$available" || wanted+=("$l")
done
if ((${#wanted[@]})); then
  echo "generating locales: ${wanted[*]}"
  for l in "${wanted[@]}"; do
    grep -qx "$l.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null || echo "$l.UTF-8 UTF-8" >> /etc/locale.gen
  done
  locale-gen >/dev/null
fi
