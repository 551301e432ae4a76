#!/usr/bin/env bash
# tessalgrid beside the two-step way it replaces (unvprep --answers, then
# unv2tessal on the prepared file), on a generated mesh whose groups hold
# element entities (make_mesh --element-groups: a 2477 dataset as gmsh
# writes it, a group of every brick and six face groups).
#
#   bench/run_grid_bench.sh [SIZE_IN_BYTES]     (default: 1000000000)
#
# Each round times the two steps (each run alone, their times added),
# `tessalgrid --keep-nodes` and `tessalgrid` (the default mode), in an
# order that turns round by one each round, RUNS rounds (default 5) after
# one untimed run of each; every run's output files are removed and the
# disk synced before it starts. Prints the median and the least time of
# each, their ratios to the two steps, and the peak resident memory (of the
# two steps: the larger). Then runs tessalgrid in both modes once on a mesh
# of the same size whose groups are six node groups in a 2435 dataset, for
# its peak memory there.
# BENCH_BUILD=DIR uses the binaries already built in DIR.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${BENCH_BUILD:-$repo/build-bench}"
runs="${RUNS:-5}"
size="${1:-1000000000}"

if [ -z "${BENCH_BUILD:-}" ]; then
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DUNV2TESSAL_BUILD_TESTS=OFF > /dev/null
  cmake --build "$build" -j2 --target unv2tessal unvprep tessalgrid \
    make_mesh run_timed > /dev/null
fi
build="$(cd "$build" && pwd)"
tmp="$(mktemp -d "${TMPDIR:-/tmp}/tessalgrid-bench.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

read -r _ nodes _ elements _ bytes < <("$build/make_mesh" --bytes "$size" \
  --out "$tmp/bench.unv" --answers "$tmp/unused.txt" --element-groups)
sync "$tmp/bench.unv"
cat "$tmp/bench.unv" > /dev/null

prep=("$build/run_timed" --runs 1 --dir "$tmp" --remove "$tmp/prep.unv"
  --remove "$tmp/prep.answers"
  -- "$build/unvprep" --answers prep.answers bench.unv prep.unv)
convert=("$build/run_timed" --runs 1 --dir "$tmp" --stdin "$tmp/prep.answers"
  --remove "$tmp/prep.xyz" --remove "$tmp/prep.cnc" --remove "$tmp/prep.inp"
  --remove "$tmp/Element_Renumbering_Map.dat" -- "$build/unv2tessal")
grid_files=(--remove "$tmp/grid.xyz" --remove "$tmp/grid.cnc"
  --remove "$tmp/grid.inp" --remove "$tmp/grid.map" --remove "$tmp/grid.vmap")
keep=("$build/run_timed" --runs 1 --dir "$tmp" "${grid_files[@]}"
  -- "$build/tessalgrid" --keep-nodes -o grid bench.unv)
default=("$build/run_timed" --runs 1 --dir "$tmp" "${grid_files[@]}"
  -- "$build/tessalgrid" -o grid bench.unv)

two_times=() keep_times=() default_times=()
two_peak=0 keep_peak=0 default_peak=0
time_two() {
  local s1 k1 s2 k2
  read -r _ s1 _ _ _ _ _ k1 < <("${prep[@]}" 2>/dev/null)
  read -r _ s2 _ _ _ _ _ k2 < <("${convert[@]}")
  two_times+=("$(awk -v a="$s1" -v b="$s2" 'BEGIN {print a + b}')")
  two_peak=$((k1 > k2 ? k1 : k2))
}
time_keep() {
  local s k
  read -r _ s _ _ _ _ _ k < <("${keep[@]}" 2>/dev/null)
  keep_times+=("$s") keep_peak=$k
}
time_default() {
  local s k
  read -r _ s _ _ _ _ _ k < <("${default[@]}" 2>/dev/null)
  default_times+=("$s") default_peak=$k
}

# One untimed run of each, then the rounds, each in another order.
"${prep[@]}" > /dev/null 2>&1
"${convert[@]}" > /dev/null
"${keep[@]}" > /dev/null 2>&1
"${default[@]}" > /dev/null 2>&1
order=(time_two time_keep time_default)
for ((r = 0; r < runs; r++)); do
  for ((k = 0; k < 3; k++)); do
    "${order[$(((r + k) % 3))]}"
  done
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {
  print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
least() { printf '%s\n' "$@" | sort -g | head -n 1; }
t_med=$(median "${two_times[@]}") t_min=$(least "${two_times[@]}")
k_med=$(median "${keep_times[@]}") k_min=$(least "${keep_times[@]}")
d_med=$(median "${default_times[@]}") d_min=$(least "${default_times[@]}")

rm -f "$tmp"/*
"$build/make_mesh" --bytes "$size" --out "$tmp/bench.unv" \
  --answers "$tmp/unused.txt" > /dev/null
read -r _ _ _ _ _ _ _ node_keep_peak < <("${keep[@]}" 2>/dev/null)
read -r _ _ _ _ _ _ _ node_default_peak < <("${default[@]}" 2>/dev/null)

echo "mesh: $(awk -v b="$bytes" 'BEGIN {printf "%.0f MB", b / 1e6}'), $nodes nodes, $elements bricks, groups of element entities in a 2477 dataset"
echo "runs: $runs rounds, the order turning round by one each round"
awk -v tm="$t_med" -v tl="$t_min" -v tp="$two_peak" \
  -v km="$k_med" -v kl="$k_min" -v kp="$keep_peak" \
  -v dm="$d_med" -v dl="$d_min" -v dp="$default_peak" 'BEGIN {
  printf "%-27s %9s %9s %9s %9s %9s\n", "run", "median s", "least s", "x median", "x least", "peak MiB"
  printf "%-27s %9.3f %9.3f %9.2f %9.2f %9.1f\n", "unvprep + unv2tessal", tm, tl, 1, 1, tp / 1024
  printf "%-27s %9.3f %9.3f %9.2f %9.2f %9.1f\n", "tessalgrid --keep-nodes", km, kl, km / tm, kl / tl, kp / 1024
  printf "%-27s %9.3f %9.3f %9.2f %9.2f %9.1f\n", "tessalgrid", dm, dl, dm / tm, dl / tl, dp / 1024 }'
awk -v k="$node_keep_peak" -v d="$node_default_peak" 'BEGIN {
  printf "mesh of the same size with six node groups (2435): peak %.1f MiB with --keep-nodes, %.1f MiB by default\n", k / 1024, d / 1024 }'
