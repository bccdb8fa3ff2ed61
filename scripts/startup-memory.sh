#!/usr/bin/env bash
# Starts the app without a screen, waits, and reports what it holds: its resident memory and
# whether the web engine, QML or Quick libraries are mapped (they must not be before a web page
# is shown). Exits 1 when any of them is mapped or the memory is over the limit.
#   scripts/startup-memory.sh [BUILD_DIR] [SECONDS] [LIMIT_MB]
set -euo pipefail

build_dir=${1:-build}
seconds=${2:-3}
limit_mb=${3:-105}
app="$build_dir/src/app/sweeplight"
[ -x "$app" ] || { echo "no $app; build first" >&2; exit 2; }

data_dir=$(mktemp -d)
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$app" --data-dir "$data_dir" >/dev/null 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$data_dir"' EXIT

sleep "$seconds"
if ! kill -0 "$pid" 2>/dev/null; then
  echo "the app ended before $seconds s" >&2
  exit 2
fi
rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
web=$(grep -oE '/[^ ]*libQt6(WebEngine|Quick|Qml)[^ ]*' "/proc/$pid/maps" | sort -u || true)

echo "resident after ${seconds} s: $((rss_kb / 1024)) MB ($rss_kb kB; limit $limit_mb MB)"
status=0
if [ -n "$web" ]; then
  echo "mapped before any web page was shown:"
  echo "$web"
  status=1
else
  echo "no web engine, QML or Quick library mapped"
fi
[ "$rss_kb" -le $((limit_mb * 1024)) ] || status=1
exit $status
