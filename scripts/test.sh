#!/usr/bin/env bash
# The test command: set-up, build, then every test. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh "$@"
build_dir=${BUILD_DIR:-build}
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 300
