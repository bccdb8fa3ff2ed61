#!/usr/bin/env bash
# Runs the app's end-to-end tests on real window systems, on Mesa's software GL: an X server
# (Xvfb) with Qt's default GLX integration and with its EGL one, and a headless Wayland
# compositor (weston). Every server started here is stopped again, whatever happens.
#
# Usage: tests/window-systems.sh APP_SHELL_TESTS [GTEST_FILTER]
# Exit status: 0 when every run passed, 1 when one failed, 77 when Xvfb or weston is missing.
# SWEEPLIGHT_SNAPSHOT_DIR, when set, receives what each run saw on the screen.
set -uo pipefail

binary=${1:?usage: window-systems.sh APP_SHELL_TESTS [GTEST_FILTER]}
filter=${2:-EndToEnd.*:*Layout.*}

for tool in Xvfb weston; do
  if ! command -v "$tool" >/dev/null; then
    echo "window-systems: $tool is not installed (scripts/install-deps.sh installs it); skipped"
    exit 77
  fi
done

work=$(mktemp -d)
server_pids=()
stop_servers() {
  for pid in "${server_pids[@]}"; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  server_pids=()
}
trap 'stop_servers; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP

# Nothing from the caller's session: each run gets the window system started for it.
unset DISPLAY WAYLAND_DISPLAY QT_XCB_GL_INTEGRATION QT_QPA_PLATFORM
export LIBGL_ALWAYS_SOFTWARE=1 QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS=${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}

# Waits up to 15 s for a condition (a shell command).
wait_for() {
  for _ in $(seq 150); do
    eval "$1" && return 0
    sleep 0.1
  done
  return 1
}

start_x() {
  # Xvfb picks a free display number and writes it to fd 3.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/x-display" \
    >"$work/x.log" 2>&1 &
  server_pids+=($!)
  if ! wait_for '[ -s "$work/x-display" ]'; then
    echo "window-systems: Xvfb did not start"; cat "$work/x.log"; return 1
  fi
  export DISPLAY=":$(head -n 1 "$work/x-display")"
}

start_wayland() {
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  local socket="sweeplight-test-$$"
  weston --backend=headless-backend.so --socket="$socket" --width=720 --height=1440 \
    --idle-time=0 --no-config >"$work/weston.log" 2>&1 &
  server_pids+=($!)
  if ! wait_for '[ -S "$XDG_RUNTIME_DIR/$socket" ]'; then
    echo "window-systems: weston did not start"; cat "$work/weston.log"; return 1
  fi
  export WAYLAND_DISPLAY="$socket"
}

failed=()
run() {
  local name=$1
  shift
  echo "=== $name"
  if ! env "$@" "$binary" --gtest_filter="$filter" --gtest_brief=1; then
    failed+=("$name")
  fi
}

if start_x; then
  run "X11, GLX" QT_QPA_PLATFORM=xcb
  run "X11, EGL" QT_QPA_PLATFORM=xcb QT_XCB_GL_INTEGRATION=xcb_egl
else
  failed+=("X11")
fi
stop_servers
unset DISPLAY

if start_wayland; then
  # A headless compositor has no seat: Qt's Wayland text input would look for a keyboard that
  # is not there (and crash, Qt 6.4), so no input method is asked for.
  run "Wayland" QT_QPA_PLATFORM=wayland QT_IM_MODULE=none
else
  failed+=("Wayland")
fi
stop_servers

if [ ${#failed[@]} -gt 0 ]; then
  printf 'window-systems: failed on %s\n' "${failed[@]}"
  exit 1
fi
echo "window-systems: passed on X11 (GLX and EGL) and Wayland"
