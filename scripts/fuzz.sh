#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, AddressSanitizer
# and UBSan) and runs each for a fixed number of executions, starting from its
# checked-in seeds. A crash, a leak, a sanitizer report or a failed check stops
# the run: the target's name is printed and the input it failed on is kept
# under the build directory's fuzz-artifacts/.
#
# Usage: scripts/fuzz.sh [RUNS [TARGET...]]
#   RUNS     executions per target (default 1000000)
#   TARGET   search_reply, key_file, ... (default: every target in tests/fuzz)
#   QUILLMAR_FUZZ_BUILD  the build directory (default build/fuzz)
# Prints one line per target: its name, the executions made and the seconds.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-1000000}"
shift || true
build="${QUILLMAR_FUZZ_BUILD:-$top/build/fuzz}"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$top"/tests/fuzz/*_fuzz.cpp; do
    name="$(basename "$source" _fuzz.cpp)"
    targets+=("$name")
  done
fi

cmake --preset fuzz -S "$top" -B "$build" >/dev/null
programs=()
for name in "${targets[@]}"; do programs+=("quillmar-fuzz-$name"); done
cmake --build "$build" --target "${programs[@]}"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
mkdir -p "$build/fuzz-artifacts"
status=0
for name in "${targets[@]}"; do
  seeds="$top/tests/fuzz/seeds/$name"
  # What the run finds stays in the build directory; the checked-in seeds are
  # only read.
  corpus="$build/fuzz-corpus/$name"
  mkdir -p "$corpus"
  log="$build/fuzz-artifacts/$name.log"
  started=$(date +%s)
  if "$build/quillmar-fuzz-$name" -runs="$runs" -max_len=2048 -timeout=20 -print_final_stats=1 \
      -artifact_prefix="$build/fuzz-artifacts/$name-" "$corpus" "$seeds" >"$log" 2>&1; then
    executed="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    echo "$name: ${executed:-?} executions in $(($(date +%s) - started)) s"
  else
    echo "$name: FAILED after $(($(date +%s) - started)) s (see $log)" >&2
    tail -n 40 "$log" >&2
    status=1
  fi
done
exit $status
