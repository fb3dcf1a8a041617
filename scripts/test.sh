#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. Tests of the
# network lab make network namespaces and need root; without root they skip.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
cmake --preset debug -S "$top" >/dev/null
cmake --build "$top/build/debug"
cd "$top/build/debug"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j2 "$@"
