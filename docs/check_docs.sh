#!/usr/bin/env bash
# Checks the user documentation and the Debian package:
#   1. every manual page man/*.1 renders with groff -man -Tutf8 -ww and man -l
#      without a single line on standard error;
#   2. the example session that README.md and the manual page show is what
#      the built unv2tessal prints for examples/example.unv, the tessalgrid
#      summary in README.md is what tessalgrid prints for examples/duct.unv,
#      and the unvprep example of docs/unvprep.md is what unvprep writes;
#   3. cpack -G DEB succeeds in the given build folder and the package holds
#      the executable, the manual page, the docs, the example and a
#      machine-readable copyright file whose licence is LICENSE.
# Usage: docs/check_docs.sh BUILD_DIR   (a configured and built folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: docs/check_docs.sh BUILD_DIR}
build=$(cd "$build" && pwd)

if ! command -v groff >/dev/null || ! command -v man >/dev/null; then
  if command -v apt-get >/dev/null && [ "$(id -u)" = 0 ]; then
    echo "== installing groff and man-db"
    apt-get install -y --no-install-recommends groff man-db >/dev/null
  else
    echo "groff and man are needed: apt-get install groff man-db" >&2
    exit 1
  fi
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail=0

echo "== manual pages"
shopt -s nullglob
pages=("$top"/man/*.1)
if [ ${#pages[@]} -eq 0 ]; then
  echo "no manual page in $top/man" >&2
  exit 1
fi
for page in "${pages[@]}"; do
  LC_ALL=C.UTF-8 groff -man -Tutf8 -ww "$page" >/dev/null 2>"$scratch/groff.err"
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" >/dev/null 2>"$scratch/man.err"
  if [ -s "$scratch/groff.err" ] || [ -s "$scratch/man.err" ]; then
    echo "FAIL ${page#"$top"/}:" >&2
    cat "$scratch/groff.err" "$scratch/man.err" >&2
    fail=1
  else
    echo "ok   ${page#"$top"/}"
  fi
done

echo "== the example session shown in README.md and the manual page"
# The transcripts in the docs drop trailing blanks; the run's CR LF and
# trailing blanks are dropped before comparing.
plain() { sed -e 's/\r$//' -e 's/ *$//'; }
mkdir "$scratch/example"
cp "$top/examples/example.unv" "$scratch/example/"
(cd "$scratch/example" &&
  "$build/unv2tessal" <"$build/examples/answers.txt" >console.txt) || {
  echo "FAIL the example run ended with status $?" >&2
  fail=1
}
plain <"$scratch/example/console.txt" >"$scratch/console.plain"
awk '/^It prints/ {want = 1; next}
     want && /^```/ {if (inside) exit; inside = 1; next}
     inside' "$top/README.md" >"$scratch/readme.session"
sed -e 's/\\-/-/g' -e "s/\\\\(aq/'/g" "$top/man/unv2tessal.1" >"$scratch/man.plain"
awk '/^The session prints:/ {want = 1; next}
     want && /^\.EX/ {inside = 1; next}
     inside && /^\.EE/ {exit}
     inside' "$scratch/man.plain" >"$scratch/man.session"
awk '/^begins:/ {want = 1; next}
     want && /^\.EX/ {inside = 1; next}
     inside && /^\.EE/ {exit}
     inside' "$scratch/man.plain" >"$scratch/man.inp"
head -n "$(wc -l <"$scratch/man.inp")" "$scratch/example/example.inp" | plain \
  >"$scratch/inp.plain"
for shown in readme.session:console.plain man.session:console.plain \
             man.inp:inp.plain; do
  doc=${shown%%:*} run=${shown##*:}
  if [ ! -s "$scratch/$doc" ] || ! diff -u "$scratch/$doc" "$scratch/$run" \
       >"$scratch/diff"; then
    echo "FAIL $doc differs from the example run:" >&2
    cat "$scratch/diff" >&2
    fail=1
  else
    echo "ok   $doc"
  fi
done

echo "== the tessalgrid example in README.md"
# Run as the README's command runs it, in a copy of the tree's layout.
doc_block() {  # the code block of file $1 after the line that starts with $2
  awk -v start="$2" 'index($0, start) == 1 {want = 1; next}
       want && /^```/ {if (inside) exit; inside = 1; next}
       inside' "$1"
}
mkdir -p "$scratch/grid/examples" "$scratch/grid/out"
cp "$top/examples/duct.unv" "$scratch/grid/examples/"
(cd "$scratch/grid" &&
  "$build/tessalgrid" -o out/duct examples/duct.unv 2>summary.txt) || {
  echo "FAIL the tessalgrid example run ended with status $?" >&2
  fail=1
}
doc_block "$top/README.md" 'It writes the files in `out/`' >"$scratch/grid/summary.doc"
if [ ! -s "$scratch/grid/summary.doc" ] ||
   ! diff -u "$scratch/grid/summary.doc" "$scratch/grid/summary.txt" \
     >"$scratch/diff"; then
  echo "FAIL README.md's tessalgrid summary differs from the run:" >&2
  cat "$scratch/diff" >&2
  fail=1
else
  echo "ok   README.md tessalgrid summary"
fi

echo "== the unvprep example in docs/unvprep.md"
# Run as examples/run_prep_example.sh does, in a copy of the tree's layout,
# and compare the summary, the answers and the regions shown there.
mkdir -p "$scratch/prep/examples" "$scratch/prep/out/channel"
cp "$top/examples/channel.unv" "$scratch/prep/examples/"
(cd "$scratch/prep/out/channel" &&
  "$build/unvprep" ../../examples/channel.unv channel.unv \
    --answers channel.answers 2>summary.txt &&
  "$build/unv2tessal" <channel.answers >console.txt &&
  grep -A3 '^LOCATE' channel.inp | plain >regions.txt) || {
  echo "FAIL the unvprep example run ended with status $?" >&2
  fail=1
}
unvprep_doc="$top/docs/unvprep.md"
doc_block "$unvprep_doc" '`unvprep` writes `channel.unv`' >"$scratch/prep/summary.doc"
doc_block "$unvprep_doc" 'The answers are' >"$scratch/prep/answers.doc"
doc_block "$unvprep_doc" 'The regions of `channel.inp`:' >"$scratch/prep/regions.doc"
for shown in summary answers regions; do
  run="$scratch/prep/out/channel/$shown.txt"
  [ "$shown" = answers ] && run="$scratch/prep/out/channel/channel.answers"
  if [ ! -s "$scratch/prep/$shown.doc" ] ||
     ! diff -u "$scratch/prep/$shown.doc" "$run" >"$scratch/diff"; then
    echo "FAIL docs/unvprep.md's unvprep $shown differs from the run:" >&2
    cat "$scratch/diff" >&2
    fail=1
  else
    echo "ok   docs/unvprep.md unvprep $shown"
  fi
done

echo "== Debian package"
rm -f "$build"/unv2tessal_*.deb
(cd "$build" && cpack -G DEB) >"$scratch/cpack.log" 2>&1 || {
  cat "$scratch/cpack.log" >&2
  echo "FAIL cpack -G DEB in $build" >&2
  exit 1
}
debs=("$build"/unv2tessal_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  echo "FAIL expected one unv2tessal_*.deb in $build, found ${#debs[@]}" >&2
  exit 1
fi
dpkg-deb --contents "${debs[0]}" | awk '{print $NF}' >"$scratch/contents"
for path in ./usr/bin/unv2tessal \
            ./usr/bin/unvprep \
            ./usr/bin/tessal2vtk \
            ./usr/bin/tessalgrid \
            ./usr/share/man/man1/tessal2vtk.1 \
            ./usr/share/man/man1/tessalgrid.1 \
            ./usr/share/man/man1/unv2tessal.1 \
            ./usr/share/man/man1/unvprep.1 \
            ./usr/share/doc/unv2tessal/examples/channel.unv \
            ./usr/share/doc/unv2tessal/README.md \
            ./usr/share/doc/unv2tessal/copyright \
            ./usr/share/doc/unv2tessal/formats.md \
            ./usr/share/doc/unv2tessal/examples/example.unv \
            ./usr/share/doc/unv2tessal/examples/answers.txt; do
  if ! grep -qxF "$path" "$scratch/contents"; then
    echo "FAIL ${debs[0]##*/} lacks $path" >&2
    fail=1
  fi
done
# GoogleTest, when the build made it from its sources, stays in the build.
if grep -qiE 'gtest|gmock|googletest' "$scratch/contents"; then
  echo "FAIL ${debs[0]##*/} holds GoogleTest files" >&2
  fail=1
fi
for field in Package Version Architecture Maintainer Section Depends Description; do
  if [ -z "$(dpkg-deb --field "${debs[0]}" "$field")" ]; then
    echo "FAIL ${debs[0]##*/} has no $field field" >&2
    fail=1
  fi
done
# The copyright file is Debian's machine-readable format, and its licence
# text is the repository's LICENSE, word for word.
dpkg-deb --fsys-tarfile "${debs[0]}" |
  tar -xOf - ./usr/share/doc/unv2tessal/copyright >"$scratch/copyright"
if ! head -n 1 "$scratch/copyright" | grep -qx \
     'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/'; then
  echo "FAIL the package's copyright file lacks its Format line" >&2
  fail=1
fi
awk '/^License: Expat$/ {n++; if (n == 2) {inside = 1; next}} inside' \
  "$scratch/copyright" | sed -e 's/^ //' -e 's/^\.$//' >"$scratch/licence"
if ! diff -u <(sed -n '5,$p' "$top/LICENSE") "$scratch/licence" >"$scratch/diff"; then
  echo "FAIL the package's copyright file differs from LICENSE:" >&2
  cat "$scratch/diff" >&2
  fail=1
fi
[ "$fail" = 0 ] && echo "ok   ${debs[0]##*/}"
exit "$fail"
