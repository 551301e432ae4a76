#!/usr/bin/env bash
# unvprep beside the converter, on a generated mesh whose groups hold
# element entities (a 2477 dataset as gmsh writes it: a group of every brick
# and six face groups).
#
#   bench/run_prep_bench.sh [SIZE_IN_BYTES]     (default: 1000000000)
#
# Times unv2tessal (with its answers) and unvprep on the same file, one run
# of each in turn (which goes first alternates), RUNS times (default 5)
# after one untimed run of each, so that both see the same machine load,
# with a copy of the mesh by cp timed between them; prints the median and
# the least time of each, their ratios and the peak resident memory. Then
# runs unvprep once on a mesh of the same size whose groups are six node
# groups in a 2435 dataset, and gives the memory that the grouped elements
# add, per element entity.
# BENCH_BUILD=DIR uses the binaries already built in DIR.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${BENCH_BUILD:-$repo/build-bench}"
runs="${RUNS:-5}"
size="${1:-1000000000}"

if [ -z "${BENCH_BUILD:-}" ]; then
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DUNV2TESSAL_BUILD_TESTS=OFF > /dev/null
  cmake --build "$build" -j2 --target unv2tessal unvprep make_mesh run_timed \
    > /dev/null
fi
build="$(cd "$build" && pwd)"
tmp="$(mktemp -d "${TMPDIR:-/tmp}/unvprep-bench.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

read -r _ nodes _ elements _ bytes < <("$build/make_mesh" --bytes "$size" \
  --out "$tmp/bench.unv" --answers "$tmp/answers.txt" --element-groups)
sync "$tmp/bench.unv"
cat "$tmp/bench.unv" > /dev/null
convert=("$build/run_timed" --runs 1 --dir "$tmp" --stdin "$tmp/answers.txt"
  --remove "$tmp/bench.xyz" --remove "$tmp/bench.cnc"
  --remove "$tmp/Element_Renumbering_Map.dat" -- "$build/unv2tessal")
prep=("$build/run_timed" --runs 1 --dir "$tmp" --remove "$tmp/prep.unv"
  -- "$build/unvprep" bench.unv prep.unv)
copy=("$build/run_timed" --runs 1 --dir "$tmp" --remove "$tmp/copy.unv"
  -- cp bench.unv copy.unv)
"${convert[@]}" > /dev/null
"${prep[@]}" > /dev/null 2>&1
conv_times=() prep_times=() copy_times=() conv_peak=0 prep_peak=0
time_convert() {
  read -r _ s _ _ _ _ _ k < <("${convert[@]}")
  conv_times+=("$s") conv_peak=$k
}
time_prep() {
  read -r _ s _ _ _ _ _ k < <("${prep[@]}" 2>/dev/null)
  prep_times+=("$s") prep_peak=$k
}
# A copy of the mesh to a new file: the cost of writing as much, which on
# some machines swings from run to run as much as the programs do.
time_copy() {
  read -r _ s _ < <("${copy[@]}")
  copy_times+=("$s")
}
# Each goes first in every other round, so that neither always follows the
# other's removal of its outputs; the copy comes between them.
for ((r = 0; r < runs; r++)); do
  if ((r % 2 == 0)); then
    time_convert
    time_copy
    time_prep
  else
    time_prep
    time_copy
    time_convert
  fi
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {
  print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
conv_s=$(median "${conv_times[@]}")
prep_s=$(median "${prep_times[@]}")
least() { printf '%s\n' "$@" | sort -g | head -n 1; }
conv_min=$(least "${conv_times[@]}")
prep_min=$(least "${prep_times[@]}")
copy_s=$(median "${copy_times[@]}")
copy_min=$(least "${copy_times[@]}")
entities=$(awk '/^ +[0-9]+ +0 +0 +0 +0 +0 +0 +[0-9]+/ && seen {n += $8}
  /^  2477/ {seen = 1} END {print n}' "$tmp/bench.unv")
rm -f "$tmp"/*
"$build/make_mesh" --bytes "$size" --out "$tmp/bench.unv" \
  --answers "$tmp/answers.txt" > /dev/null
read -r _ _ _ _ _ _ _ base_peak < <("$build/run_timed" --runs 1 --dir "$tmp" \
  -- "$build/unvprep" bench.unv prep.unv 2>/dev/null)
echo "mesh: $(awk -v b="$bytes" 'BEGIN {printf "%.0f MB", b / 1e6}'), $nodes nodes, $elements bricks, $entities element entities in 7 groups"
echo "runs: $runs of each, interleaved (converter first in odd rounds, unvprep in even ones, cp between)"
awk -v c="$conv_s" -v p="$prep_s" -v ck="$conv_peak" -v pk="$prep_peak" \
  -v cm="$conv_min" -v pm="$prep_min" -v y="$copy_s" -v ym="$copy_min" \
  -v bk="$base_peak" -v e="$entities" 'BEGIN {
  printf "unv2tessal   median %8.3f s   least %8.3f s   peak %8.1f MiB\n", c, cm, ck / 1024
  printf "unvprep      median %8.3f s   least %8.3f s   peak %8.1f MiB\n", p, pm, pk / 1024
  printf "cp of the mesh median %8.3f s   least %8.3f s\n", y, ym
  printf "ratio unvprep / unv2tessal: %.2f of the medians, %.2f of the least\n", p / c, pm / cm
  printf "ratio unvprep / cp: %.2f of the medians, %.2f of the least\n", p / y, pm / ym
  printf "unvprep peak without element groups: %.1f MiB; the %d element entities add %.1f bytes each\n",
    bk / 1024, e, (pk - bk) * 1024 / e }'
