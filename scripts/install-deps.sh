#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  libnl-3-dev libnl-route-3-dev
  libgtest-dev libgmock-dev
  iproute2 xvfb xauth umockdev
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
