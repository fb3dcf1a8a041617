#!/usr/bin/env bash
# Takes the screenshots the AppStream metadata shows from the manager itself:
# simulated modules on the two networks of a lab made for the purpose
# (tests/lab/lab.sh), the manager started in the lab's PC under xvfb-run,
# driven with xdotool and each window grabbed with ImageMagick's import. The
# pictures go to packaging/screenshots/, from where they are published under
# QUILLMAR_WEB_ADDRESS (packaging/packaging.cmake). Needs root (the lab); no
# packet leaves the lab's namespaces.
# Usage: scripts/screenshots.sh [BUILD_DIR] [OUT_DIR]
#   (default build/debug and packaging/screenshots)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/debug}" && pwd)"
out="${2:-$top/packaging/screenshots}"
[ "$(id -u)" -eq 0 ] || { echo "needs root (the lab's network namespaces)" >&2; exit 1; }
[ -x "$build/quillmar-manager" ] || { echo "no quillmar-manager in $build" >&2; exit 1; }
missing=()
for tool in xvfb-run:xvfb xdotool:xdotool import:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

lab_sh="$top/tests/lab/lab.sh"
lab="ql$$-shots"
work="$(mktemp -d)"
cleanup() {
  "$lab_sh" down "$lab" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
"$lab_sh" reap
"$lab_sh" up "$lab"
"$lab_sh" host "$lab" shop a 192.0.2.21/24 192.0.2.22/24 192.0.2.23/24
"$lab_sh" host "$lab" office b 198.51.100.31/24 198.51.100.32/24
module() { echo "address=$1,ipAddress=$1,deviceName=$2,macAddress=$3,ssid=$4"; }
"$lab_sh" exec "$lab" shop "$build/quillmar-sim" --bind 0.0.0.0 \
  --module "$(module 192.0.2.21 Kitchen 00-1F-7C-00-02-21 ShopFloor),authMode=WPA2PSK,encryType=AES" \
  --module "$(module 192.0.2.22 Front-Counter 00-1F-7C-00-02-22 ShopFloor),authMode=WPA2PSK,encryType=AES" \
  --module "$(module 192.0.2.23 Bar 00-1F-7C-00-02-23 ShopFloor),authMode=WPAPSK,encryType=TKIP" \
  >"$work/shop.log" 2>&1 &
"$lab_sh" exec "$lab" office "$build/quillmar-sim" --bind 0.0.0.0 \
  --module "$(module 198.51.100.31 Back-Office 00-1F-7C-00-03-31 Office),authMode=WPA2PSK,encryType=AES" \
  --module "$(module 198.51.100.32 Stock-Room 00-1F-7C-00-03-32 Office),ipMode=DHCP" \
  >"$work/office.log" 2>&1 &
for log in shop office; do
  for _ in $(seq 100); do grep -q ready "$work/$log.log" 2>/dev/null && break; sleep 0.1; done
  grep -q ready "$work/$log.log" || { cat "$work/$log.log" >&2; exit 1; }
done

# The manager starts where its family was chosen before, as a technician's
# machine has it; Enter takes the preselected family.
mkdir -p "$out" "$work/start"
printf 2 >"$work/start/modelno.dat"
cat >"$work/shoot.sh" <<'EOF'
set -eu
cd "$START"
export XDG_CONFIG_HOME="$START/config" XDG_STATE_HOME="$START/state"
"$BUILD/quillmar-manager" >"$START/manager.log" 2>&1 &
manager=$!
window() { xdotool search --sync --onlyvisible --name "$1" | head -1; }
shoot() { sleep 1; import -window "$1" "$OUT/$2"; }
chooser=$(window "Printer Manager v1.12")
shoot "$chooser" model-chooser.png
xdotool windowfocus --sync "$chooser" key Return
main=$(window "POS Printer Manager")
# The first search starts half a second after the window shows; its progress
# window goes when it ends.
xdotool search --sync --onlyvisible --name "progress..." >/dev/null
while xdotool search --onlyvisible --name "progress..." >/dev/null; do sleep 0.5; done
shoot "$main" main-window.png
# The first row of the device list: double-clicked, it opens the module's
# configuration window.
xdotool mousemove --window "$main" $ROW_X $ROW_Y click --repeat 2 --delay 80 1
config=$(window "Configuration")
shoot "$config" configuration.png
kill $manager
wait $manager || true
EOF
# Where the device list's first row is, in the main window (see
# src/app/main_form.cpp).
"$lab_sh" exec "$lab" pc env BUILD="$build" OUT="$out" START="$work/start" ROW_X=400 ROW_Y=95 \
  xvfb-run -a -s "-screen 0 1280x900x24" sh "$work/shoot.sh"
ls -l "$out"
