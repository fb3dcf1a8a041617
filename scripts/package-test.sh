#!/usr/bin/env bash
# Builds the Debian package (the release preset's "package" target), checks
# what it holds, installs it with dpkg -i and tries the installed programs:
# quillmar-cli --version, man -w quillmar-cli, the manager's desktop entry and
# software-centre metadata (desktop-file-validate, appstreamcli validate
# --pedantic), quillmar-cli's completion in bash, zsh and fish.
# The package must give no capability and set no setuid or setgid bit. A
# package installed by this run is removed again at its end. Needs root (or
# sudo) for dpkg -i.
# Usage: scripts/package-test.sh [BUILD_DIR]   (default build/release)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build/release}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
. "$top/scripts/lib/checks.sh"
. "$top/scripts/lib/package_file.sh"

"$top/scripts/install-deps.sh"
cmake --preset release -S "$top" -B "$build" >/dev/null
cmake --build "$build" --target package
deb="$(package_file "$build")"
[ -f "$deb" ] || { echo "no package at $deb" >&2; exit 1; }
echo "package: $deb"

work="$(mktemp -d)"
installed_before=0
dpkg-query -W -f='${Status}' quillmar 2>/dev/null | grep -q 'install ok installed' && installed_before=1
cleanup() {
  rm -rf "$work"
  if [ "$installed_before" -eq 0 ] && dpkg-query -W quillmar >/dev/null 2>&1; then
    $sudo dpkg -r quillmar >/dev/null || true
  fi
}
trap cleanup EXIT

dpkg-deb --contents "$deb" >"$work/contents"
for path in usr/bin/quillmar-manager usr/bin/quillmar-cli usr/bin/quillmar-sim \
    usr/share/applications/quillmar-manager.desktop usr/share/icons/hicolor/scalable/apps/quillmar-manager.svg \
    usr/share/man/man1/quillmar-manager.1.gz usr/share/man/man1/quillmar-cli.1.gz \
    usr/share/man/man1/quillmar-sim.1.gz usr/share/doc/quillmar/PRIVILEGES \
    usr/lib/firewalld/services/quillmar.xml etc/ufw/applications.d/quillmar \
    usr/lib/systemd/user/quillmar-check@.service usr/lib/systemd/user/quillmar-check@.timer \
    usr/share/metainfo/com.quillmar.manager.metainfo.xml usr/share/bash-completion/completions/quillmar-cli \
    usr/share/zsh/vendor-completions/_quillmar-cli usr/share/fish/vendor_completions.d/quillmar-cli.fish; do
  check "the package holds /$path" grep -q " \./$path\$" "$work/contents"
done
check "the package holds the main window's module" grep -Eq " \./usr/lib/([^/]+/)?quillmar/quillmar-manager-windows\.so\$" \
  "$work/contents"
# Permissions are the first column: no s or S (setuid, setgid) anywhere.
check "no setuid or setgid file" sh -c "! awk '{ print \$1 }' '$work/contents' | grep -q '[sS]'"
dpkg-deb --control "$deb" "$work/control"
check "no maintainer script gives a capability" sh -c "! grep -rqs -e setcap -e chmod '$work/control'"
dpkg-deb --extract "$deb" "$work/root"
check "the desktop entry is valid" desktop-file-validate "$work/root/usr/share/applications/quillmar-manager.desktop"
check "the ufw profile is a conffile" grep -qx /etc/ufw/applications.d/quillmar "$work/control/conffiles"
check "the firewalld service is well-formed XML" python3 -c \
  "import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])" "$work/root/usr/lib/firewalld/services/quillmar.xml"
check "the firewalld service opens the answer ports" sh -c \
  "grep -q 'port=\"16384-16415\"' '$work/root/usr/lib/firewalld/services/quillmar.xml' &&
   grep -q 'port=\"6000\"' '$work/root/usr/lib/firewalld/services/quillmar.xml'"
check "the ufw profile opens the same ports" grep -qx 'ports=6000,16384:16415/udp' "$work/root/etc/ufw/applications.d/quillmar"
check "the AppStream metadata is valid (pedantic)" appstreamcli validate --pedantic --strict --no-net \
  "$work/root/usr/share/metainfo/com.quillmar.manager.metainfo.xml"

$sudo dpkg -i "$deb"
check "quillmar-cli --version" sh -c "/usr/bin/quillmar-cli --version | grep -qx 'quillmar-cli $version'"
check "man -w quillmar-cli" sh -c "man -w quillmar-cli | grep -q '/usr/share/man/man1/quillmar-cli.1'"
check "the manager is in the desktop menu files" test -f /usr/share/applications/quillmar-manager.desktop
# The manager loads its main window's module once the chooser is up: the
# module's libraries are all there, and the manager looks where it lies.
module="$(dpkg -L quillmar | grep '/quillmar-manager-windows\.so$')"
check "the main window's module finds every library it needs" sh -c "! ldd '$module' | grep -q 'not found'"
# (The program holds that place as a Qt string literal, in UTF-16.)
check "the manager looks for its module where the package puts it" python3 -c \
  "import sys; sys.exit(sys.argv[1].encode('utf-16-le') not in open('/usr/bin/quillmar-manager', 'rb').read())" \
  "$(realpath --relative-to=/usr/bin "$(dirname "$module")")"
# The timer's instance is a table's escaped path; systemd-analyze checks both
# units as an instance (systemd need not run).
mkdir "$work/units"
for unit in service timer; do
  cp "/usr/lib/systemd/user/quillmar-check@.$unit" "$work/units/quillmar-check@srv-site.csv.$unit"
done
check "the check timer and service are valid units" \
  systemd-analyze verify --man=no "$work/units/quillmar-check@srv-site.csv.timer" "$work/units/quillmar-check@srv-site.csv.service"
check "the installed completion completes in bash, zsh and fish" env QUILLMAR_COMPLETION_SHELLS="bash zsh fish" \
  bash "$top/tests/cli/shell_completion_test.sh" /usr/bin/quillmar-cli installed
for program in quillmar-manager quillmar-cli quillmar-sim; do
  check "$program has no capability" sh -c "[ -z \"\$(getcap /usr/bin/$program)\" ]"
done

checks_done package
