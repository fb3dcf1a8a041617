#!/usr/bin/env bash
# Installs what is missing, builds the release programs and starts the manager
# in the current directory (where it keeps "modelno.dat").
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh"
cmake --preset release -S "$top" >/dev/null
cmake --build "$top/build/release" --target quillmar-manager quillmar-cli quillmar-sim
exec "$top/build/release/quillmar-manager" "$@"
