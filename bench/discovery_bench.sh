#!/usr/bin/env bash
# Broadcast search against 100 simulated modules on one link of the lab.
# Usage (as root): bench/discovery_bench.sh [BUILD_DIR]   (default build/debug)
# Prints, for the manager's search (one local address after another) and the
# command line's (all at once): devices listed (must be 100), wall time and the
# CPU time of the searching process.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/debug}" && pwd)"
lab_sh="$top/tests/lab/lab.sh"
lab="ql$$-bench"
work="$(mktemp -d)"
trap '"$lab_sh" down "$lab"; rm -rf "$work"' EXIT

"$lab_sh" reap
"$lab_sh" up "$lab"
addresses=()
for i in $(seq 10 109); do addresses+=("192.0.2.$i/24"); done
"$lab_sh" host "$lab" modules a "${addresses[@]}"
"$lab_sh" exec "$lab" modules "$build/quillmar-sim" --bind 0.0.0.0 --generate 100,address=192.0.2.10 >"$work/sim.out" 2>&1 &
for _ in $(seq 100); do grep -q ready "$work/sim.out" 2>/dev/null && break; sleep 0.05; done
grep -q ready "$work/sim.out" || { cat "$work/sim.out" >&2; exit 1; }

status=0
for mode in "" --parallel; do
  out="$("$lab_sh" exec "$lab" pc "$build/quillmar-discovery-bench" $mode)" || status=1
  echo "$out"
  echo "$out" | grep -q '^listed: 100$' || { echo "FAIL: expected 100 devices listed" >&2; status=1; }
  echo
done
exit $status
