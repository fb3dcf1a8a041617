#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. Tests of the
# network lab make network namespaces and need root; without root they skip.
# QUILLMAR_PRESET names the CMake preset (default debug; CI uses ci, which
# fails on a compiler warning).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
preset="${QUILLMAR_PRESET:-debug}"
"$top/scripts/install-deps.sh"
cmake --preset "$preset" -S "$top" >/dev/null
cmake --build "$top/build/$preset"
cd "$top/build/$preset"
# Four tests to a core: the lab's mostly wait, and the resource file keeps the
# ones that compute to one a core (tests/CMakeLists.txt).
jobs=$((4 * $(nproc)))
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j "$jobs" \
  --resource-spec-file test-resources.json "$@"
