#!/usr/bin/env bash
# The test command: set-up, build, then every test. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh "$@"
build_dir=${BUILD_DIR:-build}
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox

# A short run of the JSON reader's fuzzer (libFuzzer needs clang): its seeds, the inputs that
# once broke the reader and a few thousand mutations, under ASan and UBSan.
fuzz_dir="$build_dir-fuzz"
cmake -S . -B "$fuzz_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DSWEEPLIGHT_BUILD_FUZZ=ON -DSWEEPLIGHT_BUILD_TESTS=OFF >/dev/null
cmake --build "$fuzz_dir" --target json_fuzz
smoke_corpus=$(mktemp -d)
smoke_log=$(mktemp)
trap 'rm -rf "$smoke_corpus" "$smoke_log"' EXIT
if ! "$fuzz_dir/fuzz/json/json_fuzz" -runs=20000 -max_len=4096 -dict=fuzz/json/json.dict \
  -artifact_prefix="$fuzz_dir/" "$smoke_corpus" fuzz/json/corpus tests/json/regressions \
  >"$smoke_log" 2>&1; then
  cat "$smoke_log"
  echo "json fuzz smoke run failed; the input is in $fuzz_dir"
  exit 1
fi
echo "json fuzz smoke run: $(tail -n 1 "$smoke_log")"

ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 300

# The Debian package built from the same tree, unpacked and checked (not from sanitizer builds).
if ! grep -q '^SWEEPLIGHT_SANITIZE:BOOL=ON' "$build_dir/CMakeCache.txt"; then
  deb=$(BUILD_DIR="$build_dir" DIST_DIR="$build_dir/dist" SKIP_BUILD=1 scripts/package.sh)
  scripts/check-package.sh "$deb"
fi
