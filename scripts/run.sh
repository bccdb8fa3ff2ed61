#!/usr/bin/env bash
# The run command: set-up, build, then the app. Without a display (a server, CI) it renders the
# onlooker's long exposure of the default message to a PNG instead, and prints where it is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh >&2
build_dir=${BUILD_DIR:-build}

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec "$build_dir/src/app/sweeplight" "$@"
fi

out="${SWEEPLIGHT_AIR_PNG:-$PWD/$build_dir/air.png}"
"$build_dir/tools/sweeplight-render/sweeplight-render" --raw-message 'hey!' --half-swing 2 --out "$out" 2>/dev/null
echo "No display found: the onlooker's long exposure of \"hey!\" is in $out"
