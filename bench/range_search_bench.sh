#!/usr/bin/env bash
# quillmar-cli discover --range over a /22 behind a router, with 40 modules
# spread over it, against the time its rate allows: one request per address
# at 200 a second (target: the search ends within 1.2 times that). The PC, a
# router and the modules' host are namespaces of a lab (tests/lab/lab.sh); the
# /22 is 198.18.4.0/22, of the range kept for benchmarks, and nothing leaves
# these namespaces.
# Usage (as root): bench/range_search_bench.sh [BUILD_DIR] [RUNS]
#   (defaults build/debug, 3). Prints each run's wall time and modules listed,
#   the median and the ratio; exits 1 when the ratio misses the target.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/debug}" && pwd)"
runs="${2:-3}"
lab_sh="$top/tests/lab/lab.sh"
lab="ql$$-range"
network=198.18.4.0/22
modules=40
rate=200
work="$(mktemp -d)"
trap '"$lab_sh" down "$lab"; rm -rf "$work"' EXIT

"$lab_sh" reap
"$lab_sh" up "$lab"
"$lab_sh" router "$lab" rt a 192.0.2.254/24 c 198.18.4.1/22
# The router looks up every address once; let it keep them all.
ip netns exec "$lab-rt" sh -c 'echo 4096 >/proc/sys/net/ipv4/neigh/default/gc_thresh3' 2>/dev/null || true
addresses=()
sims=()
for i in $(seq 0 $((modules - 1))); do
  n=$((10 + i * 25))
  address="198.18.$((4 + n / 256)).$((n % 256))"
  addresses+=("$address/22")
  sims+=(--module "address=$address,deviceName=R$i")
done
"$lab_sh" host "$lab" mods c "${addresses[@]}" --via 198.18.4.1
ip netns exec "$lab-mods" "$build/quillmar-sim" --bind 0.0.0.0 "${sims[@]}" >"$work/sim.out" 2>&1 &
for _ in $(seq 100); do grep -q ready "$work/sim.out" 2>/dev/null && break; sleep 0.05; done
grep -q ready "$work/sim.out" || { cat "$work/sim.out" >&2; exit 1; }
ip -n "$lab-pc" route add "$network" via 192.0.2.254

# A /22 without its network and broadcast address.
asked=1022
allowed=$(awk -v n="$asked" -v r="$rate" 'BEGIN { printf "%.3f", n / r }')
times=()
for run in $(seq "$runs"); do
  start=$(date +%s.%N)
  ip netns exec "$lab-pc" "$build/quillmar-cli" discover --range "$network" --json >"$work/out.json" 2>"$work/err"
  end=$(date +%s.%N)
  listed=$(grep -o '"macAddress"' "$work/out.json" | wc -l)
  elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
  echo "  run $run: $elapsed s, $listed modules" >&2
  [ "$listed" -eq "$modules" ] || { echo "FAIL: expected $modules modules" >&2; cat "$work/err" >&2; exit 1; }
  times+=("$elapsed")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
echo "median: $median s for $asked addresses; the rate ($rate a second) allows $allowed s"
awk -v t="$median" -v a="$allowed" 'BEGIN {
  ratio = t / a
  printf "ratio median/allowed: %.3f (target <= 1.2) %s\n", ratio, ratio <= 1.2 ? "within target" : "OVER TARGET"
  exit ratio <= 1.2 ? 0 : 1 }'
