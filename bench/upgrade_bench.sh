#!/usr/bin/env bash
# A 64 KiB firmware upgrade over a pty against quillmar-sim's loader, in a
# network namespace of its own (the command port is 127.0.0.1:5001 there).
# Usage (as root): bench/upgrade_bench.sh [BUILD_DIR]   (default build/debug)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/debug}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
unshare --net sh -c 'ip link set lo up && "$1" "$2" "$3"' upgrade-bench \
  "$build/quillmar-upgrade-bench" "$build/quillmar-sim" "$work"
