#!/usr/bin/env bash
# quillmar-cli config apply --map of a 100-row table to 100 simulated modules on
# four networks (25 on each) against config set to one of them, in the same
# run: the map's saves share one socket and one tick timeline after one quick
# search, so a hundred should cost about one save time (target ratio <= 1.2).
# The table is the inventory discover --csv writes, with every SSID changed.
# Each network is a namespace of its own joined to the PC's namespace by a veth
# pair; nothing leaves these namespaces.
# Usage (as root): bench/site_map_bench.sh [BUILD_DIR]   (default build/debug;
#   about 90 seconds). Prints both wall times, the verdicts and the ratio; exits
#   1 when a row was not confirmed or the ratio is over 1.2.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/debug}" && pwd)"
per=25
lab_sh="$top/tests/lab/lab.sh"
lab="ql$$-sitemap"
pc="$lab-pc"
networks=(192.0.2 198.51.100 203.0.113 198.18.0)
work="$(mktemp -d)"
cleanup() {
  for k in "${!networks[@]}"; do ip netns pids "$lab-net$k" 2>/dev/null | xargs -r kill 2>/dev/null || true; ip netns del "$lab-net$k" 2>/dev/null || true; done
  ip netns del "$pc" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The saves' backups and audit lines go here, not to the real home.
export XDG_STATE_HOME="$work/state"

. "$top/bench/networks.sh"
# A saved module is silent for 33 s: past the verdict at 31 s, and back in
# time for the map's search after the single save.
start_networks ",restartAfter=33"

cli() { ip netns exec "$pc" "$build/quillmar-cli" "$@"; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# The inventory, every SSID changed (the ssid column is the 13th).
start=$(date +%s.%N)
cli discover --csv --quick >"$work/site.csv" 2>/dev/null
echo "quick search of four networks: $(seconds "$start" "$(date +%s.%N)") s (target < 3 s)"
rows=$(($(wc -l <"$work/site.csv") - 1))
[ "$rows" -eq 100 ] || { echo "FAIL: the inventory has $rows rows, not 100" >&2; exit 1; }
awk -F, 'BEGIN { OFS = "," } NR > 1 { $13 = "Site2" } { print }' "$work/site.csv" >"$work/map.csv"

start=$(date +%s.%N)
cli config set 192.0.2.10 ssid=Site1 >"$work/one.out" 2>&1 || { cat "$work/one.out" >&2; echo "FAIL: the single save" >&2; exit 1; }
one=$(seconds "$start" "$(date +%s.%N)")
echo "one module:   $one s"
for _ in $(seq 60); do cli config show 192.0.2.10 >/dev/null 2>&1 && break; sleep 0.5; done

start=$(date +%s.%N)
status=0
cli config apply --map "$work/map.csv" --quick --json >"$work/map.json" 2>"$work/map.err" || status=$?
map=$(seconds "$start" "$(date +%s.%N)")
confirmed=$(grep -c '"verdict": "confirmed"' "$work/map.json" || true)
echo "100-row map:  $map s ($confirmed confirmed, exit status $status)"
result=0
[ "$confirmed" -eq 100 ] && [ "$status" -eq 0 ] || { tail -5 "$work/map.err" >&2; result=1; }
awk -v map="$map" -v one="$one" 'BEGIN {
  ratio = map / one
  printf "ratio map/one: %.3f (target <= 1.2) %s\n", ratio, ratio <= 1.2 ? "within target" : "OVER TARGET"
  exit ratio <= 1.2 ? 0 : 1 }' || result=1
exit $result
