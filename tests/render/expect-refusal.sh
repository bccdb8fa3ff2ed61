#!/bin/sh
# Runs the tool with the given arguments and passes when it refuses them the way a user should
# see it: a failure status (not a crash), and exactly one line on standard error that says what
# was wrong.
tool="$1"
shift
error=$("$tool" "$@" 2>&1 >/dev/null)
status=$?
if [ "$status" -eq 0 ] || [ "$status" -ge 128 ]; then
  echo "expected a refusal, got exit status $status"
  exit 1
fi
lines=$(printf '%s\n' "$error" | wc -l)
if [ "$lines" -ne 1 ] || ! printf '%s\n' "$error" | grep -q '^sweeplight-render: .'; then
  echo "expected one line 'sweeplight-render: ...', got:"
  printf '%s\n' "$error"
  exit 1
fi
echo "$error"
