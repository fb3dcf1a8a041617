#!/usr/bin/env bash
# The AT-SPI test: the window showcase on a virtual display with its own
# session bus, read by atspi_names.py as a screen reader reads it.
#   atspi_test.sh SHOWCASE
# Needs Xvfb (xvfb-run), dbus-run-session, at-spi2-core and python3-pyatspi;
# skips (77) when one is missing.
set -u
showcase=$1
here=$(cd "$(dirname "$0")" && pwd)
for tool in xvfb-run dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "$tool" ] || { echo "skipped: $tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: python3-pyatspi is not installed"; exit 77; }

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_ACCESSIBILITY=1
export QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1366x768x24" bash -c '
  "$0" &
  app=$!
  /usr/bin/python3 "$1"
  status=$?
  kill $app 2>/dev/null
  wait $app 2>/dev/null
  exit $status
' "$showcase" "$here/atspi_names.py"
