#!/usr/bin/env bash
# A 1 MiB web image uploaded across a veth pair to quillmar-sim's TFTP server:
# once by the manager's upload (log-in, $SYCN, TFTP with tsize, the real
# waits) and once by curl's TFTP upload of the same file to the same server,
# with the ratio of their wall times. The network is the test lab's (the PC and
# one module host on link a, 192.0.2.0/24), removed again at the end.
# Usage (as root): bench/web_upload_bench.sh [BUILD_DIR]   (default build/debug)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/debug}" && pwd)"
command -v curl >/dev/null || { echo "web_upload_bench: curl is needed (apt-get install curl)" >&2; exit 1; }
lab="ql$$-webbench"
labsh="$top/tests/lab/lab.sh"
work="$(mktemp -d)"
cleanup() {
  "$labsh" down "$lab" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$labsh" reap
"$labsh" up "$lab"
"$labsh" host "$lab" ma a 192.0.2.10/24 --mac 02:51:c0:00:02:0a
"$labsh" exec "$lab" ma "$build/quillmar-sim" --session address=192.0.2.10 \
  --tftp "address=192.0.2.10,armed=always,image=$work/received.anf" >"$work/sim.out" &
for _ in $(seq 50); do
  grep -q ready "$work/sim.out" 2>/dev/null && break
  sleep 0.1
done
grep -q ready "$work/sim.out" || { echo "web_upload_bench: quillmar-sim did not start" >&2; exit 1; }
"$labsh" exec "$lab" pc "$build/quillmar-web-upload-bench" 192.0.2.10 02:51:c0:00:02:0a "$work"
