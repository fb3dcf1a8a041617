# Counted checks for the scripts that test an installed package: `check WHAT
# COMMAND...` runs the command and prints "ok: WHAT" or "FAILED: WHAT";
# `checks_done NAME` prints the count and fails when any check failed.
passes=0
failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
    passes=$((passes + 1))
  else
    echo "FAILED: $what" >&2
    failures=$((failures + 1))
  fi
}
checks_done() {
  echo "$1: $passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}
