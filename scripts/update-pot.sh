#!/bin/sh
# Extracts weatherctl's own words from its sources into its catalogue
# template, tools/weatherctl/po/weatherctl.pot; then merge the template into
# each tools/weatherctl/po/<language>.po (msgmerge --update --no-fuzzy-matching).
# Usage: scripts/update-pot.sh [OUTPUT]   (OUTPUT defaults to the template)
set -eu
cd "$(dirname "$0")/.."
out=${1:-tools/weatherctl/po/weatherctl.pot}
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
xgettext --language=C++ --from-code=UTF-8 --keyword=_ --keyword=N_ --keyword=P_:1,2 \
  --add-comments=TRANSLATORS: --no-location --sort-output --omit-header -o "$tmp" tools/weatherctl/*.cpp
{
  printf '%s\n' '# The words of weatherctl itself (its text domain "weatherctl"); the weather' \
    '# texts it shows come from the "weather" domain. Made by scripts/update-pot.sh.' \
    'msgid ""' 'msgstr ""' '"Project-Id-Version: weatherctl 1.0\n"' '"MIME-Version: 1.0\n"' \
    '"Content-Type: text/plain; charset=UTF-8\n"' '"Content-Transfer-Encoding: 8bit\n"' \
    '"Plural-Forms: nplurals=INTEGER; plural=EXPRESSION;\n"' ''
  cat "$tmp"
} > "$out"
