#!/usr/bin/env bash
# Regenerates the README pictures with sweeplight-render (headless, virtual time, so the
# pictures are the same on every machine). Uses the build in build/ (or $BUILD_DIR) and
# builds the tool there first.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
fi
cmake --build "$build_dir" --target sweeplight-render
render="$build_dir/tools/sweeplight-render/sweeplight-render"

# "hello" in rainbow colours, waved at 2 swings a second with 1.5 g at the ends: what a camera
# sees during one sweep from left to right (the sweep back paints the same letters).
"$render" --message hello --rainbow --swing-hz 2 --swing-peak-g 1.5 --seconds 1.5 \
  --half-swing 2 --out docs/air.png 2>/dev/null
# What the phone's screen shows at one moment of it: the first column of the h.
"$render" --message hello --rainbow --frame-png docs/frame.png --column 1
echo "wrote docs/air.png and docs/frame.png"
