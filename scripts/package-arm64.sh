#!/usr/bin/env bash
# Cross-builds the Debian package for arm64 with Debian's multiarch packages, checks it like the
# machine's own (scripts/check-package.sh, the programs run under qemu-user), and compares the
# tools' output with the amd64 build's: a sweeplight-render frame list and a sweeplight-json
# document must come out byte for byte the same.
#   scripts/package-arm64.sh          # writes dist/sweeplight_*_arm64.deb
# Needs root (or sudo) once, to add the arm64 architecture and install the cross packages.
set -euo pipefail
cd "$(dirname "$0")/.."
native_dir=${BUILD_DIR:-build}
cross_dir=${ARM64_BUILD_DIR:-build-arm64}
dist_dir=${DIST_DIR:-dist}

packages=(
  crossbuild-essential-arm64 qemu-user
  qt6-base-dev:arm64 qt6-tools-dev:arm64 libqt6opengl6-dev:arm64 qt6-sensors-dev:arm64
  qt6-webengine-dev:arm64 qt6-httpserver-dev:arm64 qt6-websockets-dev:arm64
  libgles-dev:arm64 libegl-dev:arm64 libpsl-dev:arm64 zlib1g-dev:arm64
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx arm64 || $sudo dpkg --add-architecture arm64
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The machine's own build, to compare against.
scripts/build.sh >/dev/null

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$cross_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSWEEPLIGHT_BUILD_TESTS=OFF "${launcher[@]}"
cmake --build "$cross_dir" -j "$(nproc)"
file "$cross_dir/tools/sweeplight-render/sweeplight-render" | grep -q "ARM aarch64" ||
  { echo "package-arm64: the build is not for arm64"; exit 1; }

deb=$(BUILD_DIR="$cross_dir" DIST_DIR="$dist_dir" DEB_ARCH=arm64 SKIP_BUILD=1 scripts/package.sh)
RUN_WITH=qemu-aarch64 scripts/check-package.sh "$deb"

# Same input, same output, on both architectures.
compare=$(mktemp -d)
trap 'rm -rf "$compare"' EXIT
dpkg-deb -x "$deb" "$compare/root"
arm="$compare/root/usr/bin"
render=(--message "hello air" --rainbow --swing-hz 2.5 --swing-noise-g 0.05 --seconds 4)
"$native_dir/tools/sweeplight-render/sweeplight-render" "${render[@]}" --frames "$compare/amd64.csv"
qemu-aarch64 "$arm/sweeplight-render" "${render[@]}" --frames "$compare/arm64.csv"
cmp "$compare/amd64.csv" "$compare/arm64.csv"
document='{"name": "sweeplight", "scores": [1, -2.5e-3, 1e300, 0.1], "text": "caf\u00e9 \ud83d\ude00",
  "nested": {"empty": [], "null": null, "yes": true}}'
echo "$document" | "$native_dir/tools/sweeplight-json/sweeplight-json" - >"$compare/amd64.json"
echo "$document" | qemu-aarch64 "$arm/sweeplight-json" - >"$compare/arm64.json"
cmp "$compare/amd64.json" "$compare/arm64.json"
echo "package-arm64: $deb; under qemu-aarch64 the tools match amd64" \
  "($(wc -l <"$compare/arm64.csv") frames, $(wc -c <"$compare/arm64.json") bytes of JSON)"
