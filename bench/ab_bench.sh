#!/usr/bin/env bash
# Interleaved A/B of two unv2tessal builds on generated meshes.
#
#   bench/ab_bench.sh OLD NEW [SIZE_IN_BYTES...]   (default: 100000000 1000000000)
#
# For each size, ROUNDS (default 5) rounds, each timing once, in this order:
# `cat FILE > /dev/null`, OLD, NEW, OLD on core 0 only, NEW on core 0 only
# (taskset -c 0), OLD and NEW into the output files the previous run left
# (synced first).
# Prints the median of each and the peak resident memory, and the ratio to
# `cat` of the same rounds. Uses make_mesh and run_timed from BENCH_BUILD
# (default build/).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${BENCH_BUILD:-$repo/build}" && pwd)"
old="$(realpath "$1")"
new="$(realpath "$2")"
shift 2
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000000 1000000000)
rounds="${ROUNDS:-5}"
tmp="$(mktemp -d "${TMPDIR:-/tmp}/unv2tessal-ab.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

outputs=(--remove "$tmp/bench.xyz" --remove "$tmp/bench.cnc"
  --remove "$tmp/bench.inp" --remove "$tmp/Element_Renumbering_Map.dat")
timed() {  # name, run_timed options..., -- command
  local name="$1"
  shift
  read -r _ s _ _ _ _ _ kib < <("$build/run_timed" --runs 1 "$@")
  echo "$name $s $kib" >> "$tmp/times"
}

for size in "${sizes[@]}"; do
  rm -f "$tmp/times"
  read -r _ nodes _ elements _ bytes < <("$build/make_mesh" --bytes "$size" \
    --out "$tmp/bench.unv" --answers "$tmp/answers.txt")
  sync "$tmp/bench.unv"
  cat "$tmp/bench.unv" > /dev/null
  run=("$build/run_timed" --dir "$tmp" --stdin "$tmp/answers.txt")
  "${run[@]}" --runs 1 "${outputs[@]}" -- "$old" > /dev/null  # warm-up
  "${run[@]}" --runs 1 "${outputs[@]}" -- "$new" > /dev/null
  for _ in $(seq "$rounds"); do
    timed cat -- cat "$tmp/bench.unv"
    timed old --dir "$tmp" --stdin "$tmp/answers.txt" "${outputs[@]}" -- "$old"
    timed new --dir "$tmp" --stdin "$tmp/answers.txt" "${outputs[@]}" -- "$new"
    timed old-core0 --dir "$tmp" --stdin "$tmp/answers.txt" "${outputs[@]}" \
      -- taskset -c 0 "$old"
    timed new-core0 --dir "$tmp" --stdin "$tmp/answers.txt" "${outputs[@]}" \
      -- taskset -c 0 "$new"
    sync  # the previous run's writeback is not charged to the next
    timed old-existing --dir "$tmp" --stdin "$tmp/answers.txt" -- "$old"
    sync
    timed new-existing --dir "$tmp" --stdin "$tmp/answers.txt" -- "$new"
  done
  echo "$(awk -v b="$bytes" 'BEGIN { printf "%.0f MB", b / 1e6 }'):" \
    "$nodes nodes, $elements bricks; median of $rounds interleaved rounds"
  awk -v b="$bytes" '
    { t[$1] = t[$1] " " $2; if ($3 > k[$1]) k[$1] = $3; n[$1]++ }
    function median(list,   v, m, i, j, x) {
      m = split(list, v, " ")
      for (i = 2; i <= m; i++) { x = v[i]; for (j = i - 1; j > 0 && v[j] > x; j--) v[j + 1] = v[j]; v[j + 1] = x }
      return m % 2 ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
    }
    END {
      c = median(t["cat"])
      printf "%-13s %8s %7s %8s %9s\n", "run", "s", "x cat", "MB/s", "peak MiB"
      split("cat old new old-core0 new-core0 old-existing new-existing", order, " ")
      for (i = 1; i <= 7; i++) {
        r = order[i]; s = median(t[r])
        printf "%-13s %8.3f %7.2f %8.0f %9.1f\n", r, s, s / c, b / 1e6 / s, k[r] / 1024
      }
    }' "$tmp/times"
done
