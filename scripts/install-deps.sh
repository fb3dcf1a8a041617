#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  libnl-3-dev libnl-route-3-dev
  # the manager reads the font configuration while it connects to the display
  libfontconfig-dev
  # sealed settings files (Argon2id, XChaCha20-Poly1305) and the desktop's
  # secret store (QtKeychain, which reaches the Secret Service through libsecret)
  libsodium-dev qtkeychain-qt6-dev libsecret-1-0
  libgtest-dev libgmock-dev
  iproute2 xvfb xauth umockdev
  # the AT-SPI test: the accessibility bus and the reader of it a screen reader uses
  at-spi2-core python3-pyatspi dbus-daemon
  # the fuzz targets (libFuzzer comes with clang's runtime libraries), and
  # clang-format for the layout check
  clang libclang-rt-14-dev clang-format git
  # the Debian package and its test: shlibdeps, the menu entry check, man -w, getcap
  dpkg-dev file desktop-file-utils man-db libcap2-bin
  # the AppStream metadata: its releases written from NEWS, and its check
  appstream
  # quillmar-cli's completion, tested in each shell it writes a script for
  bash-completion zsh fish
  # the fresh-install test: a Debian 12 made in a folder
  debootstrap
  # the Ansible module's test runs a playbook
  ansible-core
  # the Wi-Fi check's test: a private bus with a mock NetworkManager
  dbus python3-dbusmock
  # the keyring tests: a Secret Service on a D-Bus session bus of their own
  gnome-keyring dbus-daemon dbus-bin
  # discover --explain reads the firewall with nft, and the lab's firewall rule
  # is set with it; site dhcp's output is checked by each server's own test
  # (dnsmasq --test, dhcpd -t, kea-dhcp4 -t; no service is started for it)
  nftables dnsmasq-base isc-dhcp-server kea-dhcp4-server
  # the package test checks the check timer's units with systemd-analyze
  systemd
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
# The DHCP servers are here for their configuration checks only: a service
# their packages started on this machine's networks is stopped and disabled.
if [ -d /run/systemd/system ]; then
  for service in isc-dhcp-server kea-dhcp4-server; do
    if printf '%s\n' "${missing[@]}" | grep -qx "$service"; then
      $sudo systemctl disable --now "$service" >/dev/null 2>&1 || true
    fi
  done
fi
