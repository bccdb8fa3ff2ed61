#!/usr/bin/env bash
# Checks a built .deb: lintian has no errors (its warnings are listed), it unpacks into a scratch
# root, the programs there run (no display needed), and the desktop entry and metainfo validate.
#   scripts/check-package.sh dist/sweeplight_0.1-1_amd64.deb
# RUN_WITH names an emulator for another architecture's programs (e.g. qemu-aarch64).
set -euo pipefail
deb=${1:?usage: check-package.sh PACKAGE.deb}
app_id=org.sweeplight.Sweeplight

echo "== lintian"
lintian_log=$(mktemp)
scratch=$(mktemp -d)
trap 'rm -rf "$lintian_log" "$scratch"' EXIT
lintian --tag-display-limit 0 "$deb" >"$lintian_log" 2>&1 || true
cat "$lintian_log"
if grep -q '^E: ' "$lintian_log"; then
  echo "check-package: lintian reports errors"
  exit 1
fi

echo "== unpacked into a scratch root"
dpkg-deb -x "$deb" "$scratch"
bin="$scratch/usr/bin"
read -r -a run <<<"${RUN_WITH:-}"
share="$scratch/usr/share"
for program in sweeplight sweeplight-render sweeplight-json sweeplight-fetch sweeplight-fernwick \
  fernwick-service; do
  [ -x "$bin/$program" ] || { echo "check-package: $program is missing"; exit 1; }
  [ -f "$share/man/man1/$program.1.gz" ] || { echo "check-package: no manual page for $program"; exit 1; }
done
for size in 16 22 24 32 48 64 128 256 512; do
  [ -f "$share/icons/hicolor/${size}x${size}/apps/$app_id.png" ] ||
    { echo "check-package: no ${size}x${size} icon"; exit 1; }
done
[ -f "$share/icons/hicolor/scalable/apps/$app_id.svg" ] || { echo "check-package: no SVG icon"; exit 1; }

desktop-file-validate "$share/applications/$app_id.desktop"
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml"

# The app answers --help and --version without any display.
(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; ${run[@]+"${run[@]}"} "$bin/sweeplight" --version) | grep -qx "Sweeplight [0-9.]*"
(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; ${run[@]+"${run[@]}"} "$bin/sweeplight" --help) | grep -q -- "--data-dir"
${run[@]+"${run[@]}"} "$bin/sweeplight-render" --message hey --seconds 1 --frames "$scratch/frames.csv"
[ "$(wc -l <"$scratch/frames.csv")" -gt 100 ] || { echo "check-package: too few frames"; exit 1; }
echo '{"a": [1, 2.5, "x"], "b": {"c": null}}' | ${run[@]+"${run[@]}"} "$bin/sweeplight-json" - | grep -qF '"a"'
echo "check-package: $deb is sound"
