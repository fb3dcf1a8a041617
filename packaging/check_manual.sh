#!/bin/sh
# Every verb that `quillmar-cli --help` lists has its entry in quillmar-cli(1),
# so that the manual page kept in the tree keeps up with the verbs.
# Usage: check_manual.sh QUILLMAR_CLI MANUAL_PAGE
set -eu
cli=$1
page=$2
verbs=$("$cli" --help | sed -n '/^Verbs:/,/^$/p' | awk -F'  +' 'NF > 2 { print $2 }')
[ -n "$verbs" ] || { echo "no verbs in the help of $cli"; exit 1; }
missing=0
for verb in $(echo "$verbs" | tr ' ' '_'); do
  verb=$(echo "$verb" | tr '_' ' ')
  if ! grep -q "^\.B $verb\( \|\$\)" "$page"; then
    echo "quillmar-cli $verb is missing from $page"
    missing=1
  fi
done
[ "$missing" -eq 0 ] && echo "$(echo "$verbs" | wc -l) verbs, each in $page"
exit "$missing"
