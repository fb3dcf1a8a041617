#!/usr/bin/env bash
# quillmar-cli config set --all to 40 simulated modules on the lab's two
# networks against config set to one of them, in the same run: the saves share
# one socket and one tick timeline, so forty should cost about one save time
# (target ratio <= 1.2). The --all run includes its broadcast search.
# Usage (as root): bench/fleet_save_bench.sh [BUILD_DIR]   (default build/debug;
#   about 75 seconds). Prints both wall times, the verdicts and the ratio; exits
#   1 when a save of the --all run was not confirmed or the ratio is over 1.2.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/debug}" && pwd)"
lab_sh="$top/tests/lab/lab.sh"
lab="ql$$-fleet"
work="$(mktemp -d)"
trap '"$lab_sh" down "$lab"; rm -rf "$work"' EXIT
# The saves' backups go here, not to the real home.
export XDG_STATE_HOME="$work/state"

"$lab_sh" reap
"$lab_sh" up "$lab"
onA=(); onB=()
for i in $(seq 100 119); do onA+=("192.0.2.$i/24"); onB+=("198.51.100.$i/24"); done
"$lab_sh" host "$lab" ma a "${onA[@]}"
"$lab_sh" host "$lab" mb b "${onB[@]}"
# A saved module is silent for 33 s: past the verdict at 31 s, and back in
# time for the --all run's search after the single save.
"$lab_sh" exec "$lab" ma "$build/quillmar-sim" --bind 0.0.0.0 --generate 20,address=192.0.2.100,restartAfter=33 >"$work/a.out" 2>&1 &
"$lab_sh" exec "$lab" mb "$build/quillmar-sim" --bind 0.0.0.0 --generate 20,address=198.51.100.100,restartAfter=33 >"$work/b.out" 2>&1 &
for f in a b; do
  for _ in $(seq 100); do grep -q ready "$work/$f.out" 2>/dev/null && break; sleep 0.05; done
  grep -q ready "$work/$f.out" || { cat "$work/$f.out" >&2; exit 1; }
done

cli() { "$lab_sh" exec "$lab" pc "$build/quillmar-cli" "$@"; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

start=$(date +%s.%N)
cli config set 192.0.2.100 ssid=Shop1 >"$work/one.out" 2>&1 || { cat "$work/one.out" >&2; echo "FAIL: the single save" >&2; exit 1; }
one=$(seconds "$start" "$(date +%s.%N)")
echo "one module:  $one s"

for _ in $(seq 60); do cli config show 192.0.2.100 >/dev/null 2>&1 && break; sleep 0.5; done

start=$(date +%s.%N)
status=0
cli config set --all ssid=Shop2 --json >"$work/all.json" 2>"$work/all.err" || status=$?
all=$(seconds "$start" "$(date +%s.%N)")
listed=$(grep -c '"address"' "$work/all.json" || true)
confirmed=$(grep -c '"verdict": "confirmed"' "$work/all.json" || true)
echo "40 modules:  $all s ($listed listed, $confirmed confirmed, exit status $status)"
result=0
[ "$listed" -eq 40 ] && [ "$confirmed" -eq 40 ] && [ "$status" -eq 0 ] || { tail -5 "$work/all.err" >&2; result=1; }
awk -v all="$all" -v one="$one" 'BEGIN {
  ratio = all / one
  printf "ratio 40/one: %.3f (target <= 1.2) %s\n", ratio, ratio <= 1.2 ? "within target" : "OVER TARGET"
  exit ratio <= 1.2 ? 0 : 1 }' || result=1
exit $result
