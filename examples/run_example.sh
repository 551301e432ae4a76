#!/usr/bin/env sh
# Converts the bundled example mesh unattended and lists the files written.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/out/example"
mkdir -p "$out"
cd "$out"
"$top/build/unv2tessal" < "$top/examples/answers.txt"
echo
echo "Output files are in $out:"
ls -l "$out"
