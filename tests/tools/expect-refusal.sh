#!/bin/sh
# expect-refusal.sh STATUS TOOL ARGUMENTS...
# Passes when the tool refuses its arguments the way a user should see it: the given exit
# status (2 for a bad command line, 1 for a failure at run time), never a crash, and one line
# "TOOL: ..." on standard error that says what was wrong.
expected="$1"
tool="$2"
shift 2
name=$(basename "$tool")
error=$("$tool" "$@" 2>&1 >/dev/null)
status=$?
if [ "$status" -ne "$expected" ]; then
  echo "expected exit status $expected, got $status:"
  printf '%s\n' "$error"
  exit 1
fi
lines=$(printf '%s\n' "$error" | grep -c .)
if [ "$lines" -ne 1 ] || ! printf '%s\n' "$error" | grep -q "^$name: ."; then
  echo "expected one line '$name: ...', got:"
  printf '%s\n' "$error"
  exit 1
fi
echo "$error"
