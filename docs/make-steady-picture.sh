#!/usr/bin/env bash
# Regenerates docs/steady-letters.png: the same hand-like swing (drifting rate and reach,
# unequal ends, harmonics, 0.03 g noise; written by legibility_bench) exposed for one
# half-swing, frame-stepped above and steady letters below. Needs a build with
# -DSWEEPLIGHT_BUILD_BENCH=ON in build/ (or $BUILD_DIR) and ImageMagick's montage.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake --build "$build_dir" --target sweeplight-render legibility_bench
render="$build_dir/tools/sweeplight-render/sweeplight-render"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build_dir/bench/legibility/legibility_bench" --write-trace "$work/hand.csv"
# The half-swing around 5 s into the trace; the two modes count their half-swings differently
# (steady letters keep their direction through black frames).
"$render" --trace "$work/hand.csv" --message hey --half-swing 16 --scale 0.4 \
  --out "$work/stepped.png" 2>/dev/null
"$render" --trace "$work/hand.csv" --message hey --steady --half-swing 8 --scale 0.4 \
  --out "$work/steady.png" 2>/dev/null
montage "$work/stepped.png" "$work/steady.png" -tile 1x2 -geometry +0+6 -background '#303030' \
  "$work/both.png"
convert "$work/both.png" -resize 1200x docs/steady-letters.png
echo "wrote docs/steady-letters.png"
