#!/usr/bin/env bash
# The manager's start-up against a minimal Qt 6 Widgets window (see
# startup_bench.cpp): time to the first window's first paint and resident
# memory then. Runs on the current display, or under xvfb-run when there is
# none. Starts only the model chooser: nothing is searched or sent.
# Usage: bench/startup_bench.sh [BUILD_DIR] [RUNS]   (default build/debug, 10)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/debug}" && pwd)"
runs="${2:-10}"
bench=("$build/quillmar-startup-bench" "$build/quillmar-startup-probe.so" "$build/quillmar-manager"
       "$build/quillmar-minimal-window" "$runs")
if [ -n "${DISPLAY:-}" ] || [ "${QT_QPA_PLATFORM:-}" = offscreen ]; then
  exec "${bench[@]}"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "${bench[@]}"
