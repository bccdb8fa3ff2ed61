#!/usr/bin/env bash
# Builds the Debian package from a build tree: the programs, desktop entry, metainfo, icons and
# manual pages as `cmake --install` lays them out under /usr, with Depends from dpkg-shlibdeps.
#   scripts/package.sh                 # builds build/ first, writes dist/sweeplight_*_amd64.deb
#   SKIP_BUILD=1 scripts/package.sh    # packages build/ as it is
# BUILD_DIR, DIST_DIR and DEB_ARCH (default: this machine's) name another tree, output folder or
# architecture (scripts/package-arm64.sh uses them for its cross build). Prints the .deb's path
# last.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
dist_dir=${DIST_DIR:-dist}
arch=${DEB_ARCH:-$(dpkg --print-architecture)}
[ -n "${SKIP_BUILD:-}" ] || scripts/build.sh >&2

version=$(sed -n 's/^project(Sweeplight VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)-1
maintainer="The Sweeplight developers <maintainers@sweeplight.example.org>"
homepage=$(sed -n 's/^SWEEPLIGHT_HOMEPAGE:STRING=//p' "$build_dir/CMakeCache.txt")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Laid out as a source tree's debian/<package>, where dpkg-shlibdeps expects the binaries.
root="$work/src/debian/sweeplight"
DESTDIR="$root" cmake --install "$build_dir" --prefix /usr --strip >&2

doc="$root/usr/share/doc/sweeplight"
# The copyright file below carries the licence; Debian wants no second copy.
rm -f "$doc/LICENSE"
{
  echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
  echo "Upstream-Name: Sweeplight"
  echo "Source: $homepage"
  echo
  echo "Files: *"
  echo "Copyright: 2026 The Sweeplight developers"
  echo "License: Expat"
  sed -n '/^Permission is hereby granted/,$p' LICENSE | sed 's/^$/./; s/^/ /'
} >"$doc/copyright"
cat >"$work/changelog.Debian" <<CHANGES
sweeplight ($version) unstable; urgency=medium

  * Package the app, its tools and the reference service.

 -- $maintainer  $(date -R -d @"${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}")
CHANGES
gzip -9n <"$work/changelog.Debian" >"$doc/changelog.Debian.gz"
gzip -9n "$root"/usr/share/man/man1/*.1

find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root"/usr/bin/*

# dpkg-shlibdeps reads the package list from debian/control, and finds the package's root by
# its DEBIAN folder.
mkdir -p "$root/DEBIAN"
printf 'Source: sweeplight\n\nPackage: sweeplight\nArchitecture: any\n' >"$work/src/debian/control"
executables=()
for program in "$root"/usr/bin/*; do executables+=(-e"debian/sweeplight/usr/bin/${program##*/}"); done
# The web view plugin, loaded when the first web page is shown, brings the web engine along.
for plugin in "$root"/usr/lib/sweeplight/*.so; do
  [ -e "$plugin" ] && executables+=(-e"debian/sweeplight/usr/lib/sweeplight/${plugin##*/}")
done
shlibs=$(cd "$work/src" && DEB_HOST_ARCH="$arch" dpkg-shlibdeps -O "${executables[@]}" |
  sed -n 's/^shlibs:Depends=//p')
[ -n "$shlibs" ] || { echo "package.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

(cd "$root" && find usr -type f -exec md5sum {} + | sort -k2) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/md5sums"
cat >"$root/DEBIAN/control" <<CONTROL
Package: sweeplight
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $shlibs, qt6-qpa-plugins, libqt6sql6-sqlite
Recommends: libgl1-mesa-dri, qt6-wayland
Section: utils
Priority: optional
Homepage: $homepage
Description: persistence-of-vision message stick for phones
 Wave the phone, and the message is written in the air: the screen shows one
 column of seven square LEDs at a time, and the accelerometer steps the column
 along the swing so that onlookers read the whole message. Type a short message
 in one colour or a rainbow, or pick a small picture. On a desktop a simulated
 swing drives the display and the onlooker's view is shown beside it.
 .
 Also holds the headless tools sweeplight-render, sweeplight-json,
 sweeplight-fetch and sweeplight-fernwick, and fernwick-service, a small
 reference service for the app's promotion and feedback client.
CONTROL

mkdir -p "$dist_dir"
deb="$dist_dir/sweeplight_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >&2
echo "$deb"
