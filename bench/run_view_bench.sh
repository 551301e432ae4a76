#!/usr/bin/env bash
# tessal2vtk beside the converter, on a generated mesh's converted files.
#
#   bench/run_view_bench.sh [SIZE_IN_BYTES]     (default: 1000000000)
#
# Builds the release binaries in build-bench/ (or uses BENCH_BUILD=DIR),
# generates the mesh in a temporary folder (removed at the end), converts it
# once, then times RUNS (default 3) rounds of, in turn, the whole conversion
# (unv2tessal) and tessal2vtk on its three output files, each run writing
# its files afresh. Prints the median of each with MB/s of its input (the
# mesh for the converter, the three files for tessal2vtk) and peak resident
# memory. The runs alternate, so both meet the same load of a shared machine.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${BENCH_BUILD:-$repo/build-bench}"
runs="${RUNS:-3}"
size="${1:-1000000000}"

if [ -z "${BENCH_BUILD:-}" ]; then
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DUNV2TESSAL_BUILD_TESTS=OFF > /dev/null
  cmake --build "$build" -j2 --target unv2tessal tessal2vtk make_mesh \
    run_timed > /dev/null
fi
build="$(cd "$build" && pwd)"
tmp="$(mktemp -d "${TMPDIR:-/tmp}/tessal2vtk-bench.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"

read -r _ nodes _ elements _ bytes < <("$build/make_mesh" --bytes "$size" \
  --out bench.unv --answers answers.txt)
"$build/unv2tessal" < answers.txt > /dev/null
view_bytes=$(cat bench.inp bench.xyz bench.cnc | wc -c)
sync
convert=("$build/run_timed" --runs 1 --dir "$tmp" --stdin answers.txt
  --remove bench.xyz --remove bench.cnc --remove bench.inp
  --remove Element_Renumbering_Map.dat -- "$build/unv2tessal")
view=("$build/run_timed" --runs 1 --dir "$tmp" --remove bench.vtu --
  "$build/tessal2vtk" bench.inp bench.xyz bench.cnc bench.vtu)
"${view[@]}" > /dev/null  # warm-up, and the .vtu's size
vtu_bytes=$(wc -c < bench.vtu)
: > times
for _ in $(seq "$runs"); do
  "${convert[@]}" | awk '{print "unv2tessal", $2, $8}' >> times
  "${view[@]}" | awk '{print "tessal2vtk", $2, $8}' >> times
done
echo "median of $runs alternating runs; mesh: $nodes nodes, $elements 8-node bricks"
printf '%-11s %14s %9s %9s %10s\n' program "input bytes" "run (s)" "MB/s" "peak MiB"
for p in unv2tessal tessal2vtk; do
  in=$bytes
  [ "$p" = tessal2vtk ] && in=$view_bytes
  grep "^$p " times | sort -k2 -n | awk -v p="$p" -v b="$in" -v n="$runs" '
    { t[NR] = $2; k[NR] = $3 }
    END { m = t[int((n + 1) / 2)]
          printf "%-11s %14d %9.3f %9.0f %10.1f\n", p, b, m, b / 1e6 / m,
            k[int((n + 1) / 2)] / 1024 }'
done
echo "tessal2vtk wrote $vtu_bytes bytes (.vtu)"
