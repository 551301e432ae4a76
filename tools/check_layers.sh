#!/usr/bin/env bash
# Fails when a source under src/ includes a header of a higher layer, of a
# peer folder, or of a folder this script does not know, and when the codecs
# include a POSIX header. The layers, lowest first (README, "Layout"):
#   codecs < io < unv < nodes, elements, groups < driver, check, prep, view
#   < grid
set -euo pipefail
cd "$(dirname "$0")/../src"

rank() {
  case "$1" in
    codecs) echo 0 ;;
    io) echo 1 ;;
    unv) echo 2 ;;
    nodes | elements | groups) echo 3 ;;
    driver | check | prep | view) echo 4 ;;
    grid) echo 5 ;;
    *) echo -1 ;;
  esac
}

bad=0
while IFS=: read -r file line text; do
  from="${file%%/*}"
  to="$(sed -E 's/^#include "([^/"]+)\/.*/\1/' <<<"$text")"
  rf="$(rank "$from")"
  rt="$(rank "$to")"
  if [ "$rf" -lt 0 ] || [ "$rt" -lt 0 ]; then
    echo "src/$file:$line: unknown layer in: $text" >&2
    bad=1
  elif [ "$rt" -gt "$rf" ] || { [ "$rt" -eq "$rf" ] && [ "$to" != "$from" ]; }; then
    echo "src/$file:$line: $from/ may not include $to/: $text" >&2
    bad=1
  fi
done < <(grep -rn --include='*.h' --include='*.cc' -E '^#include "' . |
  sed 's#^\./##')

# The codecs are pure code on text.
if grep -rn --include='*.h' --include='*.cc' -E \
  '^#include <(unistd|fcntl|poll|signal|errno|sys/[a-z_]+)\.h>' codecs >&2; then
  echo "src/codecs: a POSIX header above" >&2
  bad=1
fi

if [ "$bad" -ne 0 ]; then
  echo "check_layers: includes against the layer order" >&2
  exit 1
fi
echo "check_layers: every include points down the layer order"
