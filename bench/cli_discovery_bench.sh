#!/usr/bin/env bash
# quillmar-cli discover on a PC attached to four networks, modules on each,
# against the same PC with one network: the command line searches every
# network at once, so four should cost no more than one (target ratio <= 1.1).
# Each network is a namespace of its own joined to the PC's namespace by a veth
# pair; nothing leaves these namespaces.
# Usage (as root): bench/cli_discovery_bench.sh [BUILD_DIR] [MODULES_PER_NETWORK] [RUNS]
#   (defaults build/debug, 25, 3). Prints each run's wall time and devices
#   listed, the medians and the ratio.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/debug}" && pwd)"
per="${2:-25}"
runs="${3:-3}"
lab_sh="$top/tests/lab/lab.sh"
lab="ql$$-clinets"
pc="$lab-pc"
networks=(192.0.2 198.51.100 203.0.113 198.18.0)
work="$(mktemp -d)"
trap '"$lab_sh" down "$lab"; rm -rf "$work"' EXIT
[ "$per" -ge 1 ] && [ $((per * ${#networks[@]})) -le 100 ] || { echo "1 to 25 modules per network" >&2; exit 2; }

. "$top/bench/networks.sh"
start_networks

# Wall times of `runs` searches, one per line; fails unless each lists `expected`.
search() {
  local expected=$1 run start end listed elapsed
  for run in $(seq "$runs"); do
    start=$(date +%s.%N)
    ip netns exec "$pc" "$build/quillmar-cli" discover --json >"$work/out.json"
    end=$(date +%s.%N)
    listed=$(grep -o '"macAddress"' "$work/out.json" | wc -l)
    elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    echo "  run $run: $elapsed s, $listed devices" >&2
    [ "$listed" -eq "$expected" ] || { echo "FAIL: expected $expected devices" >&2; return 1; }
    echo "$elapsed"
  done
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "four networks, $per modules on each:" >&2
four=$(search $((per * ${#networks[@]})) | median)
for k in 1 2 3; do ip -n "$pc" link set "eth$k" down; done
echo "one network, $per modules:" >&2
one=$(search "$per" | median)
echo "median four networks: $four s"
echo "median one network: $one s"
awk -v four="$four" -v one="$one" 'BEGIN {
  ratio = four / one
  printf "ratio four/one: %.3f (target <= 1.1) %s\n", ratio, ratio <= 1.1 ? "within target" : "OVER TARGET" }'
