#!/usr/bin/env bash
# The unit, window and command-line tests, and the fuzz targets' seeds, under
# AddressSanitizer and UBSan (the asan preset), each test stopping at its first
# report. The lab tests run in the ordinary debug build only.
# Usage: scripts/asan-test.sh [BUILD_DIR] [CTEST OPTIONS...]   (default build/asan)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build/asan}"
shift || true
folders=(tests/unit tests/gui tests/cli tests/fuzz)

"$top/scripts/install-deps.sh"
# The build runs the test programs too (to list their tests), so the options
# hold from here on. umockdev-wrapper preloads its library ahead of the
# sanitizer's runtime; the runtime still comes up first in the process, so its
# order check is off.
export ASAN_OPTIONS="halt_on_error=1:verify_asan_link_order=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export QT_QPA_PLATFORM=offscreen

cmake --preset asan -S "$top" -B "$build" >/dev/null
targets=()
for folder in "${folders[@]}"; do targets+=("$folder/all"); done
cmake --build "$build" --target "${targets[@]}"
status=0
for folder in "${folders[@]}"; do
  (cd "$build/$folder" && ctest --output-on-failure --timeout 600 -j "$((4 * $(nproc)))" \
    --resource-spec-file "$build/test-resources.json" "$@") || status=1
done
exit $status
