#!/usr/bin/env bash
# A GL or GLU library that cannot be loaded, or that lacks what the demo
# calls: the program must end by itself within a few seconds with status 1
# and say what is missing, never crash or hang.
# Usage: library_fault.sh PROGRAM EXPECTED_TEXT
#
# Runs on SDL's offscreen driver with no X server: there the message box
# cannot open and its text goes to standard error, where it can be read.
set -uo pipefail
program=$1
expected=$2
err=$(mktemp)
trap 'rm -f "$err"' EXIT

start=$EPOCHREALTIME
env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen MESA_SHADER_CACHE_DISABLE=true \
  timeout -s KILL 20 "$program" 2>"$err" </dev/null
status=$?
took=$(echo "$start $EPOCHREALTIME" | awk '{ printf "%.2f", $2 - $1 }')
echo "status $status after $took s; standard error:"
sed 's/^/  | /' "$err"

fail() { echo "FAIL: $*"; exit 1; }
[[ $status -ne 137 ]] || fail "still running after 20 s"
[[ $status -lt 128 ]] || fail "ended by signal $((status - 128))"
[[ $status -eq 1 ]] || fail "status $status, expected 1"
awk -v t="$took" 'BEGIN { exit !(t <= 5) }' || fail "took $took s to give up, expected at most 5"
grep -qF -- "$expected" "$err" || fail "standard error does not say \"$expected\""
echo "ok: status 1 and \"$expected\" on standard error"
