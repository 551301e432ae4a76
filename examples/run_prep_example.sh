#!/usr/bin/env sh
# Prepares the gmsh example mesh with unvprep, converts it with the answers
# unvprep writes, and shows the regions of the grid command file.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/out/channel"
mkdir -p "$out"
cd "$out"
"$top/build/unvprep" ../../examples/channel.unv channel.unv \
  --answers channel.answers
"$top/build/unv2tessal" < channel.answers > console.txt
grep -A3 '^LOCATE' channel.inp
