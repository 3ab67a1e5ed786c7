#!/bin/bash
# weatherctl's own words: the template holds exactly the words its sources
# mark, and the catalogue of each build language that has one holds every
# word of the template, translated and with the same printf directives.
# Usage: tool_catalogues.sh SOURCE_DIR LANGUAGE...
set -u
src=$1
shift
po=$src/tools/weatherctl/po
fresh=$(mktemp --suffix=.pot)
trap 'rm -f "$fresh"' EXIT
fail=0
"$src/scripts/update-pot.sh" "$fresh" || exit 1
if ! msgcmp --use-untranslated "$fresh" "$po/weatherctl.pot"; then
  echo "FAIL: weatherctl.pot lacks words of the sources (run scripts/update-pot.sh)"
  fail=1
fi
if ! msgcmp --use-untranslated "$po/weatherctl.pot" "$fresh"; then
  echo "FAIL: weatherctl.pot holds words the sources no longer use (run scripts/update-pot.sh)"
  fail=1
fi
checked=0
for language in "$@"; do
  catalogue=$po/$language.po
  if [ ! -e "$catalogue" ]; then
    if [ "$language" = en_US ]; then
      echo "FAIL: $catalogue is missing"
      fail=1
    else
      echo "note: no weatherctl catalogue for $language yet: the tool's words read English there"
    fi
    continue
  fi
  # Every word translated (an untranslated or fuzzy entry counts as missing),
  # nothing the template does not have, directives as in the word.
  if ! msgfmt --check -o /dev/null "$catalogue" || ! msgcmp "$catalogue" "$po/weatherctl.pot" ||
    ! msgcmp --use-untranslated "$po/weatherctl.pot" "$catalogue"; then
    echo "FAIL: $catalogue"
    fail=1
  fi
  checked=$((checked + 1))
done
echo "$checked weatherctl catalogues checked"
[ "$checked" -gt 0 ] || fail=1
exit $fail
