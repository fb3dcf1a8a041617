#!/usr/bin/env bash
# Pictures of the windows, each scene of the showcase in a light and a dark
# palette on a 1366x768 virtual display, for looking at them as a user would.
#   tests/accessibility/screenshots.sh SHOWCASE OUTDIR
# Needs xvfb-run and ImageMagick's import. Nothing is sent anywhere.
set -eu
showcase=$1
out=$2
mkdir -p "$out"
for palette in light dark; do
  for scene in main several result history question inputs; do
    flag=""
    [ "$palette" = dark ] && flag="--dark"
    xvfb-run -a -s "-screen 0 1366x768x24" bash -c '
      "$0" $1 "$2" >/dev/null 2>&1 &
      app=$!
      sleep 4
      import -window root "$3"
      kill $app 2>/dev/null
      wait $app 2>/dev/null || true
    ' "$showcase" "$flag" "$scene" "$out/$scene-$palette.png"
    echo "$out/$scene-$palette.png"
  done
done
