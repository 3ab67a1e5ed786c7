#!/usr/bin/env bash
# Installs the build into a temporary prefix and moves the prefix away from
# where it was installed, then checks that the installed tree works on its
# own, with nothing of the build in its environment:
#   tree:     layout, no host-only header, no path of the source or build
#             tree (but the source files' names a sanitizer build keeps);
#             devicectl init, backup through the installed service,
#             restore, weatherctl show in zh_CN from the installed catalogues
#   consumer: tests/consumer built with find_package and with pkg-config
#             reads the settings of a root made by the installed devicectl
# Usage: installed_tree.sh BUILD_DIR SOURCE_DIR LIBDIR tree|consumer [SANITIZE]
set -euo pipefail
build=$1 source=$2 libdir=$3 mode=$4 sanitize=${5:-OFF}
if [[ $mode == consumer && $sanitize == ON ]]; then
  echo "skipped: the sanitizer build's libraries would need the sanitizer runtime in the consumer"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/weather-install.XXXXXX")
# The installed service ends itself a moment after its last job and writes
# its root until then: every program of the prefix must end within 10 s,
# before the tree goes.
settle() {
  local i
  for ((i = 0; i < 100; i++)); do
    [[ -z $(find /proc/[0-9]*/exe -maxdepth 0 -lname "$work/prefix/*" 2>/dev/null || true) ]] && return 0
    sleep 0.1
  done
  echo "FAIL: a program of the installed tree is still running after 10 s" >&2
  exit 1
}
trap 'settle; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
cmake --install "$build" --prefix "$work/stage" >/dev/null
mv "$work/stage" "$work/prefix"
prefix=$work/prefix root=$work/root
# Nothing of the caller's environment but the sanitizers' options.
run() {
  env -i HOME="$work/home" PATH=/usr/bin:/bin WEATHER_DEVICE_ROOT="$root" ${LSAN_OPTIONS:+"LSAN_OPTIONS=$LSAN_OPTIONS"} \
    ${UBSAN_OPTIONS:+"UBSAN_OPTIONS=$UBSAN_OPTIONS"} ${ASAN_OPTIONS:+"ASAN_OPTIONS=$ASAN_OPTIONS"} "$@"
}
tool() {
  local name=$1
  shift
  run "$prefix/bin/$name" "$@"
}
tool devicectl init >/dev/null || fail "devicectl init"
grep -qxF "executable=$prefix/libexec/weather-backup-restore" "$root/registry.ini" ||
  fail "the registry does not name the installed service"
grep -qxF "executable=$prefix/bin/backupctl" "$root/registry.ini" ||
  fail "the registry does not name the installed backupctl"
res=$root/apps/com.velurio.weather/res
for f in data/weathernews_icon.db locale/zh_CN/LC_MESSAGES/weather.mo; do
  cmp -s "$prefix/share/weather-backup-restore/res/$f" "$res/$f" || fail "$f not copied into the new root"
done

if [[ $mode == tree ]]; then
  for f in bin/devicectl bin/backupctl bin/weatherctl libexec/weather-backup-restore \
    "$libdir"/libweather-common.so "$libdir"/libweather-device.so "$libdir"/pkgconfig/weather-common.pc \
    "$libdir"/cmake/WeatherCommon/WeatherCommonConfig.cmake \
    "$libdir"/cmake/WeatherCommon/WeatherCommonConfigVersion.cmake \
    include/weather-common/typedef/DataManager.h include/weather-device/device/app_control.h \
    share/weather-backup-restore/samples/sample-cities.json \
    share/man/man1/devicectl.1.gz share/man/man1/backupctl.1.gz share/man/man1/weatherctl.1.gz; do
    [[ -e $prefix/$f ]] || fail "$f not installed"
  done
  for lib in weather-common weather-device; do
    readelf -d "$prefix/$libdir/lib$lib.so" | grep -qF "Library soname: [lib$lib.so.1]" ||
      fail "lib$lib.so has no SONAME lib$lib.so.1"
  done
  # A program of the build finds the build's top through this section; an
  # installed one must never look for a build.
  for f in bin/devicectl bin/backupctl bin/weatherctl libexec/weather-backup-restore; do
    ! readelf -S -W "$prefix/$f" | grep -qF .weather_build_top || fail "$f still carries the way to the build"
  done
  readelf -d "$prefix/$libdir/libweather-common.so" | grep -qF "Shared library: [libweather-device.so.1]" ||
    fail "libweather-common.so does not link the shared platform layer"
  [[ -z $(find "$prefix" -name 'host*.h') ]] || fail "a host-only header is installed"
  quote() { sed 's/[][\.*^$+?(){}|]/\\&/g' <<<"$1"; }
  named=$(grep -raohE "($(quote "$source")|$(quote "$build"))[^[:space:][:cntrl:]\"']*" "$prefix" | sort -u || true)
  if [[ $sanitize == ON ]]; then
    # The sanitizers keep each instrumented source file's name for their
    # reports, and GCC does not remap it; only those names may remain.
    named=$(while read -r p; do
      [[ -z $p || ($p =~ \.(c|cc|cpp|h)$ && -f $p && $p != "$build"/*) ]] || echo "$p"
    done <<<"$named")
  fi
  [[ -z $named ]] || fail "installed files name the source or build tree: $named"
  [[ $(zcat "$prefix/share/man/man1/backupctl.1.gz") == *".SH NAME"*"backupctl \\- "*"restore [ID]"* ]] ||
    fail "the backupctl manual page lacks its name or commands"

  tool backupctl backup >/dev/null || fail "backup through the installed service"
  before=$(tool backupctl --json settings)
  tool backupctl set autoRefreshTimeInterval 1 >/dev/null || fail "backupctl set"
  [[ $(tool backupctl --json settings) != "$before" ]] || fail "backupctl set changed nothing"
  tool backupctl restore >/dev/null || fail "restore through the installed service"
  after=$(tool backupctl --json settings)
  [[ $after == "$before" ]] || fail "restore left [$after], backed up [$before]"

  tool weatherctl import "$prefix/share/weather-backup-restore/samples/sample-cities.json" >/dev/null ||
    fail "weatherctl import"
  tool devicectl key set db/menu_widget/language zh_CN.UTF-8 >/dev/null || fail "devicectl key set"
  # 晴 and 多云: "Sunny" and "Cloudy" of the installed zh_CN catalogue.
  shown=$(tool weatherctl show)
  [[ $shown == *晴* || $shown == *多云* ]] || fail "weatherctl show in zh_CN shows no Chinese: $shown"
  echo "installed tree works on its own"
  exit 0
fi

export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
# Every installed header compiles with what pkg-config gives, so none needs
# one that is not installed.
(cd "$prefix/include" && find weather-common weather-device -name '*.h' | sed 's|^[^/]*/|#include <|; s|$|>|') \
  >"$work/headers.cpp"
c++ -std=c++17 -fsyntax-only $(pkg-config --cflags weather-common) "$work/headers.cpp" ||
  fail "the installed headers do not compile on their own"
for how in OFF ON; do
  log=$work/consumer-$how.log
  cmake -S "$source/tests/consumer" -B "$work/consumer-$how" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DCONSUMER_PKGCONFIG=$how >"$log" 2>&1 && cmake --build "$work/consumer-$how" >>"$log" 2>&1 ||
    fail "consumer build (pkg-config $how): $(cat "$log")"
  # It runs as the weather application, whose shared data holds the databases.
  consumer=(env WEATHER_DEVICE_APP_ID=com.velurio.weather "$work/consumer-$how/weather_consumer")
  run "${consumer[@]}" >/dev/null || fail "consumer (pkg-config $how) failed"
  # What the data layer loads, against what backupctl reads from the database
  # itself, after a change that the defaults do not have.
  value=$([[ $how == OFF ]] && echo 1 || echo 3)
  tool backupctl set autoRefreshTimeInterval $value >/dev/null || fail "backupctl set"
  loaded=$(run "${consumer[@]}")
  stored=$(tool backupctl --json settings | sed 's/,"notificationPopup":[a-z]*//')
  [[ $loaded == "$stored" && $loaded == *":$value,"* ]] ||
    fail "consumer (pkg-config $how) loaded [$loaded], the database holds [$stored]"
done
echo "the consumer built with find_package and with pkg-config reads the installed layer"
