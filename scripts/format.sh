#!/usr/bin/env bash
# Lays out every C++ file of the repository with clang-format (.clang-format).
# Usage: scripts/format.sh [--check]
#   --check  changes nothing; lists the files whose layout differs and exits 1
#            when there is one (CI runs this).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  unformatted=()
  for file in "${files[@]}"; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
  done
  if [ ${#unformatted[@]} -gt 0 ]; then
    echo "format: laid out differently from .clang-format (run scripts/format.sh):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files as .clang-format lays them out"
else
  clang-format -i "${files[@]}"
fi
