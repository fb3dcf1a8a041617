#!/usr/bin/env bash
# Installs the Debian package on a fresh Debian 12 (bookworm, minbase) made
# with debootstrap in a temporary folder, the way a technician's laptop gets
# it: apt install ./quillmar_*.deb, dependencies from the Debian mirror. Then
# checks the installed programs, the manual pages, that the manager is listed
# in a desktop menu (GNOME's applications menu as python3-xdg reads it), that
# its desktop entry and AppStream metadata pass desktop-file-validate and
# appstreamcli validate --pedantic, that quillmar-cli's completion loads and
# completes in bash, zsh and fish ("quillmar-cli con<Tab>" gives "config"), and
# that the manager starts (offscreen, in a network namespace of its own, so it
# reaches no network). Needs root and the Debian mirror; takes a few minutes.
# Usage: scripts/fresh-install-test.sh [PACKAGE]   (default: build/release's)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
. "$top/scripts/lib/checks.sh"
. "$top/scripts/lib/package_file.sh"
deb="${1:-$(package_file "$top/build/release")}"
[ -f "$deb" ] || { echo "no package at $deb (cmake --build --preset release --target package)" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "needs root (debootstrap, chroot)" >&2; exit 1; }
"$top/scripts/install-deps.sh"

root="$(mktemp -d)"
chmod 755 "$root"  # apt downloads as _apt
cleanup() {
  umount "$root/dev/pts" 2>/dev/null || true
  umount "$root/proc" 2>/dev/null || true
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$root.log" 2>&1 \
  || { tail -20 "$root.log" >&2; exit 1; }
rm -f "$root.log"
mount -t proc proc "$root/proc"
# zsh's completion is driven in a pseudo-terminal.
mkdir -p "$root/dev/pts"
mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
ln -sf pts/ptmx "$root/dev/ptmx"
cp "$deb" "$root/tmp/quillmar.deb"
cp "$top/tests/cli/shell_completion_test.sh" "$root/tmp/shell_completion_test.sh"
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 sh -c "$1"; }

in_root 'apt-get update -q >/dev/null'
check "apt install of the package on a fresh Debian 12" in_root 'apt-get install -y -q /tmp/quillmar.deb >/tmp/install.log 2>&1 || { tail -20 /tmp/install.log; false; }'
for program in quillmar-cli quillmar-sim; do
  check "$program --version" in_root "$program --version | grep -qx '$program $version'"
done
in_root 'apt-get install -y -q man-db gnome-menus python3-xdg >/dev/null 2>&1'
check "man -w finds the three manual pages" in_root 'man -w quillmar-manager quillmar-cli quillmar-sim >/dev/null'
check "the manager is listed in the desktop menu" in_root 'python3 -c "
import sys, xdg.Menu
def found(menu):
    return any(found(e) if isinstance(e, xdg.Menu.Menu) else
               isinstance(e, xdg.Menu.MenuEntry) and e.DesktopFileID == \"quillmar-manager.desktop\"
               for e in menu.getEntries())
sys.exit(0 if found(xdg.Menu.parse(\"/etc/xdg/menus/gnome-applications.menu\")) else 1)"'
in_root 'apt-get install -y -q bash-completion zsh fish appstream desktop-file-utils >/dev/null 2>&1'
check "desktop-file-validate passes on the installed desktop entry" \
  in_root 'desktop-file-validate /usr/share/applications/quillmar-manager.desktop'
check "appstreamcli validate --pedantic passes on the installed metadata" \
  in_root 'appstreamcli validate --pedantic --strict --no-net /usr/share/metainfo/com.quillmar.manager.metainfo.xml'
check "the completion scripts load and complete in bash, zsh and fish" \
  in_root 'QUILLMAR_COMPLETION_SHELLS="bash zsh fish" bash /tmp/shell_completion_test.sh /usr/bin/quillmar-cli installed'
# Still running after three seconds: the installed libraries and Qt's platform
# plugins were enough for the chooser to open.
check "the manager starts" unshare --net chroot "$root" env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp \
  sh -c 'quillmar-manager >/tmp/manager.log 2>&1 & pid=$!; sleep 3; kill -0 $pid && kill $pid'

checks_done "fresh install"
