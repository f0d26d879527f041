#!/usr/bin/env bash
# No screen to show the demo on: it must say so and end with status 1
# within a few seconds, never fall back to drawing where nobody can see it
# or press a key.
# Usage: no_display.sh PROGRAM SOURCE_DIR
set -uo pipefail
program=$1
source_dir=$2
err=$(mktemp)
trap 'rm -f "$err"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# $1: what the case is; the rest: the environment changes for it.
expect_refusal() {
  local what=$1 start status took
  shift
  start=$EPOCHREALTIME
  (cd "$source_dir" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$@" \
     MESA_SHADER_CACHE_DISABLE=true timeout -s KILL 20 "$program" 2>"$err" </dev/null)
  status=$?
  took=$(echo "$start $EPOCHREALTIME" | awk '{ printf "%.2f", $2 - $1 }')
  echo "$what: status $status after $took s; standard error:"
  sed 's/^/  | /' "$err"
  [[ $status -ne 137 ]] || fail "$what: still running after 20 s"
  [[ $status -eq 1 ]] || fail "$what: status $status, expected 1"
  awk -v t="$took" 'BEGIN { exit !(t <= 5) }' || fail "$what: took $took s, expected at most 5"
  grep -q "no display to show the demo on" "$err" || fail "$what: no message about the display"
  echo "ok: $what: status 1 with the message"
}

# Nothing set at all: the usual case on a server or in a container.
expect_refusal "no display variables"
# A DISPLAY naming a server that is not there: a number with no socket,
# no lock file and no abstract socket.
number=77
while [[ -e /tmp/.X11-unix/X$number || -e /tmp/.X$number-lock ]] ||
  grep -q "@/tmp/.X11-unix/X$number\$" /proc/net/unix; do
  ((++number))
done
expect_refusal "DISPLAY naming no server" DISPLAY=:$number
