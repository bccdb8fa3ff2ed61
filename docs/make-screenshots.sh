#!/usr/bin/env bash
# Regenerates the README screenshots in docs/screenshots: the app on a 360 x 720 phone, offscreen
# and on a virtual clock, so the pictures are the same on every machine. Uses the build in
# build/ (or $BUILD_DIR) and builds the program there first.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
fi
cmake --build "$build_dir" --target sweeplight-screenshots
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
  "$build_dir/tests/app_shell/sweeplight-screenshots" "${1:-docs/screenshots}"
