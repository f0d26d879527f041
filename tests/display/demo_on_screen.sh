#!/usr/bin/env bash
# The real program on a virtual screen: the first frame as a person sees it,
# Space freezing the bolt, Escape and SIGTERM ending it with status 0.
# Usage: demo_on_screen.sh PROGRAM SOURCE_DIR
set -euo pipefail
program=$1
source_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
source "$source_dir/scripts/xvfb.sh"
cleanup() {
  [[ -n "${demo:-}" ]] && kill "$demo" 2>/dev/null || true
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
start_xvfb
export MESA_SHADER_CACHE_DISABLE=true

fail() { echo "FAIL: $*"; exit 1; }

# Keys sent before the window is mapped are lost: wait for it.
start_demo() {
  (cd "$source_dir" && exec "$program") &
  demo=$!
  timeout 20 xdotool search --sync --onlyvisible --name '^OpenGL$' >/dev/null ||
    fail "the window did not appear"
  sleep 1
}

grab() {
  import -window root "$work/$1.png"
  convert "$work/$1.png" -depth 8 -type TrueColor "ppm:$work/$1.ppm"
}

# Waits up to $2 seconds for the demo to end; its status must be 0.
expect_end() {
  local waited=0
  while kill -0 "$demo" 2>/dev/null; do
    (( waited++ < ${2}0 )) || fail "the demo did not end within $2 s after $1"
    sleep 0.1
  done
  local status=0
  wait "$demo" || status=$?
  demo=
  [[ $status -eq 0 ]] || fail "the demo ended with status $status after $1"
  echo "ok: $1 ends the demo with status 0"
}

start_demo
grab initial
python3 "$here/frame_check.py" initial "$work/initial.ppm" || fail "initial frame"
echo "ok: initial frame"
python3 "$here/frame_check.py" overlay "$work/initial.ppm" || fail "help overlay"
echo "ok: help overlay in its band"

# "+" changes the detail shown on line 6 and nothing else of the help;
# holding F2 changes the scatter on line 4.
grab before_plus
xdotool type --delay 100 '+'
sleep 0.7
grab after_plus
python3 "$here/frame_check.py" changed "$work/before_plus.ppm" "$work/after_plus.ppm" 6 || fail "typing +"
xdotool key --delay 100 minus
sleep 0.7
grab before_f2
xdotool keydown F2
sleep 0.5
xdotool keyup F2
sleep 0.5
grab after_f2
python3 "$here/frame_check.py" changed "$work/before_f2.ppm" "$work/after_f2.ppm" 4 || fail "holding F2"
echo "ok: + changes line 6's value, F2 line 4's"

xdotool keydown space
sleep 0.7
grab frozen1
sleep 0.7
grab frozen2
xdotool keyup space
sleep 0.7
grab released
python3 "$here/frame_check.py" same "$work/frozen1.ppm" "$work/frozen2.ppm" || fail "Space held"
python3 "$here/frame_check.py" differ "$work/frozen2.ppm" "$work/released.ppm" || fail "Space released"
echo "ok: Space freezes one bolt, release lets it go"

xdotool key Escape
expect_end Escape 5

start_demo
kill -TERM "$demo"
expect_end SIGTERM 5
