#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Sweeplight needs.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format libclang-rt-14-dev pkg-config
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-qpa-plugins libqt6opengl6-dev
  qt6-sensors-dev qt6-webengine-dev qt6-httpserver-dev qt6-websockets-dev libqt6sql6-sqlite
  libgles-dev libegl-dev libgles1 libegl1 libegl-mesa0 libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev
  rapidjson-dev nlohmann-json3-dev fonts-dejavu-core iproute2 dbus-daemon
  libpsl-dev publicsuffix zlib1g-dev
  # The Debian package and its checks (scripts/package.sh, scripts/check-package.sh).
  dpkg-dev lintian desktop-file-utils appstream
  qt6-wayland xvfb weston
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
