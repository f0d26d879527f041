#!/usr/bin/env bash
# The bolt generator's cost per split in two or more builds, measured
# alternately so that the load of the machine falls on all of them alike:
# in each of ROUNDS rounds every build's bolt_bench runs once in turn; then
# each build's median per detail and its ratio to the first build's.
#   tools/compare_bolt_bench.sh [-r ROUNDS] [-d 'DETAIL...'] BOLT_BENCH...
# e.g. the software extended precision against the x87's:
#   tools/compare_bolt_bench.sh build/bench/bolt_bench build-portable/bench/bolt_bench
set -euo pipefail
rounds=7 details="10 14 18"
while getopts r:d: option; do
  case $option in
    r) rounds=$OPTARG ;;
    d) details=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
(($# > 0)) || { echo "usage: $0 [-r ROUNDS] [-d 'DETAIL...'] BOLT_BENCH..." >&2; exit 2; }
filter="BoltPerSplit/($(tr ' ' '|' <<<"$details"))\$"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for ((round = 1; round <= rounds; ++round)); do
  for i in $(seq 0 $(($# - 1))); do
    bench=${*:$((i + 1)):1}
    # One line per detail: the detail and the nanoseconds per split.
    "$bench" --benchmark_filter="$filter" --benchmark_min_time=0.2 --benchmark_format=csv 2>/dev/null |
      awk -F, -v build="$i" '/^"BoltPerSplit\// { split($1, n, "/"); sub(/"/, "", n[2]); print build, n[2], $(NF - 1) }' \
      >>"$work/samples"
  done
done
# The counter per_split, next to last: seconds per split.
awk -v builds=$# '
  { v[$1 " " $2, ++count[$1 " " $2]] = $3 * 1e9; details[$2] = 1 }
  function median(key,   n, i, j, t, a) {
    n = count[key]; for (i = 1; i <= n; ++i) a[i] = v[key, i]
    for (i = 2; i <= n; ++i) { t = a[i]; for (j = i - 1; j > 0 && a[j] > t; --j) a[j + 1] = a[j]; a[j + 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  END {
    for (d in details) {
      first = median("0 " d)
      line = sprintf("detail %2d:", d)
      for (b = 0; b < builds; ++b) {
        m = median(b " " d)
        line = line sprintf("  build %d %.1f ns/split (%.2fx)", b + 1, m, m / first)
      }
      print line
    }
  }' "$work/samples" | sort -k2n
