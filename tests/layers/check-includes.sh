#!/usr/bin/env bash
# Every include points down through the layers:
#   text -> songfile -> vocabulary -> content -> ui -> windows -> mainwindow -> app
#   content -> tools/kvsdump
#   songfile -> songbuilder
#   tools/kvsdump, songbuilder -> checks (harnesses of tests and fuzz targets)
# and nothing outside tests/ includes from tests/. Prints each include that
# breaks the rule and fails if there is one.
set -euo pipefail
cd "${1:-$(dirname "$0")/../..}"

# What each folder may include besides itself.
declare -A allowed=(
  [text]=""
  [songfile]="text"
  [vocabulary]="text songfile"
  [content]="text songfile vocabulary content"
  [ui]="text songfile vocabulary content"
  [windows]="text songfile vocabulary content ui"
  [mainwindow]="text songfile vocabulary content ui windows"
  [app]="text songfile vocabulary content ui windows mainwindow"
  [tools]="text songfile vocabulary content songbuilder"
  [songbuilder]="text songfile vocabulary content"
  [checks]="text songfile vocabulary content tools songbuilder"
  [bench]="text songfile vocabulary content ui windows mainwindow tools songbuilder bench"
  [fuzz]="text songfile vocabulary content tools songbuilder checks fuzz"
)

bad=0
while IFS= read -r file; do
  top=${file%%/*}
  [ -n "${allowed[$top]+set}" ] || continue
  while IFS= read -r line; do
    target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$line")
    [[ $target == */* ]] || continue
    to=${target%%/*}
    [ "$to" = "$top" ] && continue
    ok=0
    for a in ${allowed[$top]}; do [ "$a" = "$to" ] && ok=1; done
    if [ $ok -eq 0 ]; then
      echo "$file: includes $target"
      bad=1
    fi
  done < <(grep -E '^\s*#include "' "$file" || true)
done < <(git ls-files 2>/dev/null | grep -E '\.(cpp|h)$' || find . -name '*.cpp' -o -name '*.h')

# Qt stays out of the layers below the widgets and out of kvsdump.
if git ls-files | grep -E '^(text|songfile|vocabulary|content|tools/kvsdump)/.*\.(cpp|h)$' | xargs grep -nE '#include <Q' ; then
  bad=1
fi
exit $bad
