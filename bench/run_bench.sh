#!/usr/bin/env bash
# Whole-run benchmark of unv2tessal on generated meshes.
#
#   bench/run_bench.sh [SIZE_IN_BYTES...]     (default: 100000000 1000000000)
#
# Builds the release binaries in build-bench/, generates each mesh in a
# temporary folder (removed at the end), and reports for each size the median
# whole-run time of unv2tessal, the median time of `cat FILE > /dev/null`
# measured in the same run, their ratio, MB/s of input, nodes/s, elements/s
# and the peak resident memory of the converter. RUNS (default 7) sets the
# number of timed runs per command; one untimed conversion runs first.
# BENCH_BUILD=DIR uses the binaries already built in DIR instead (a CI smoke
# run: RUNS=1 BENCH_BUILD=build bench/run_bench.sh 2000000).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${BENCH_BUILD:-$repo/build-bench}"
runs="${RUNS:-7}"
sizes=("$@")
meshes=()
[ ${#sizes[@]} -gt 0 ] || sizes=(100000000 1000000000)

if [ -z "${BENCH_BUILD:-}" ]; then
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DUNV2TESSAL_BUILD_TESTS=OFF > /dev/null
  cmake --build "$build" -j2 --target unv2tessal make_mesh run_timed > /dev/null
fi
build="$(cd "$build" && pwd)"

tmp="$(mktemp -d "${TMPDIR:-/tmp}/unv2tessal-bench.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

echo "median of $runs runs each; cat = cat FILE > /dev/null; files in $tmp"
printf '%-12s %10s %10s %7s %9s %12s %12s %10s\n' \
  "input" "run (s)" "cat (s)" "ratio" "MB/s" "nodes/s" "elements/s" "peak MiB"
for size in "${sizes[@]}"; do
  mesh="$tmp/bench.unv"
  read -r _ nodes _ elements _ bytes < <("$build/make_mesh" --bytes "$size" \
    --out "$mesh" --answers "$tmp/answers.txt")
  # Written out to disk (the writeback of a fresh gigabyte would slow the
  # timed runs' own writes) and in the page cache before either is timed.
  sync "$mesh"
  cat "$mesh" > /dev/null
  read -r _ cat_s _ _ _ _ _ _ < <("$build/run_timed" --runs "$runs" \
    -- cat "$mesh")
  convert=("$build/run_timed" --dir "$tmp" --stdin "$tmp/answers.txt"
    --remove "$tmp/bench.xyz" --remove "$tmp/bench.cnc"
    --remove "$tmp/bench.inp" --remove "$tmp/Element_Renumbering_Map.dat")
  "${convert[@]}" --runs 1 -- "$build/unv2tessal" > /dev/null  # warm-up
  read -r _ run_s _ _ _ _ _ peak_kib < <("${convert[@]}" --runs "$runs" \
    -- "$build/unv2tessal")
  awk -v b="$bytes" -v n="$nodes" -v e="$elements" -v r="$run_s" \
    -v c="$cat_s" -v k="$peak_kib" 'BEGIN {
      printf "%-12s %10.3f %10.3f %7.1f %9.0f %12.3g %12.3g %10.1f\n",
        sprintf("%.0f MB", b / 1e6), r, c, r / c, b / 1e6 / r, n / r, e / r,
        k / 1024 }'
  rm -f "$tmp"/*
  meshes+=("$(awk -v b="$bytes" -v n="$nodes" -v e="$elements" 'BEGIN {
    printf "%.0f MB: %d nodes, %d 8-node bricks, %d bytes", b / 1e6, n, e, b }')")
done
printf '%s\n' "${meshes[@]}"
