#!/usr/bin/env bash
# The Windows program under Wine on a real X server that changes modes (Xorg
# with the dummy driver, desktop 1920x1080): the screen is at 1024x768 while
# it runs, and the desktop's configuration is back after Escape.
# Usage: display_mode.sh PROGRAM SOURCE_DIR (WINEPREFIX set to a ready prefix)
set -euo pipefail
program=$(realpath "$1")
source_dir=$2
source "$source_dir/tests/support/demo_session.sh"
command -v wine >/dev/null || exec bash "$source_dir/tests/windows/without_wine.sh"
# The prefix's desktop must be made on this test's display.
wineserver -w
demo_session_begin xorg
export WINDOW_TIMEOUT=60 WINDOW_FOCUS=pointer

config() { xrandr --current --verbose | grep -v Timestamp; }
screen_size() { xrandr --current | sed -n 's/^Screen 0:.* current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p'; }
desktop=$(config)
[[ $(screen_size) == 1920x1080 ]] || fail "the desktop is $(screen_size), not 1920x1080"

(cd "$(dirname "$program")" && exec wine "$program") &
demo=$!
for ((waited = 0; ; ++waited)); do
  [[ $(screen_size) == 1024x768 ]] && break
  kill -0 "$demo" 2>/dev/null || fail "the program ended before the mode changed"
  ((waited < 600)) || fail "the screen is $(screen_size) 60 s after the start, expected 1024x768"
  sleep 0.1
done
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^OpenGL$' | head -n 1) ||
  fail "the window did not appear"
echo "ok: the screen is 1024x768 while the program runs"
# Wine takes the keyboard focus itself; the pointer over the window makes
# sure the key goes there whatever X's focus is.
xdotool mousemove 512 384
sleep 1
keys tap Escape
demo_expect_end Escape 20
for ((waited = 0; ; ++waited)); do
  [[ $(config) == "$desktop" ]] && break
  ((waited < 30)) || fail "the desktop's configuration is not back 3 s after the end: $(screen_size)"
  sleep 0.1
done
echo "ok: the desktop's configuration is back after Escape"
