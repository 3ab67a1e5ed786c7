#!/usr/bin/env bash
# Usage: scripts/package.sh [BUILD_DIR]
# Builds the Debian package (prefix /usr) with CPack into BUILD_DIR/package
# (default build-package), its Depends computed by dpkg-shlibdeps, shows it
# and checks it with lintian, which fails the script on an error.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
scripts/install-deps.sh dpkg-dev file lintian

# Only what the package holds is built; installing does not build the rest.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DWEATHER_DEBIAN_PACKAGE=ON -DWEATHER_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target weather-backup-restore devicectl backupctl weatherctl \
  weather_common_shared device_shared weather_catalogue weather_icon_db weather_man_pages weather_debian_changelog
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/package/*.deb)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
lintian --fail-on error --tag-display-limit 0 "$deb"
echo "package: $deb"
