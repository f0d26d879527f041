#!/usr/bin/env bash
# On a desktop without 1024x768 SDL takes the nearest larger mode
# (1152x864). Without a window manager SDL counts the full-screen window as
# that large while the X window keeps its 1024x768; a window manager makes
# it as large as the screen. On a screen smaller than 1024x768 with no mode
# that large (800x600) the window goes full screen at the screen's own
# mode, and a window manager makes it as large as the screen too. Either
# way the picture must be drawn for the window as it is: the scene centred
# in it, stretched where the window is larger. The window's state says it
# is full screen either way, and its answer comes from the window manager
# where one runs, from the layer only where none does.
# Usage: window_size.sh PROGRAM SOURCE_DIR STATE_WRITES
#   STATE_WRITES: a library to preload that says when the program's own code
#   writes a window's _NET_WM_STATE.
set -euo pipefail
program=$(realpath "$1")
source_dir=$2
state_writes=$(realpath "$3")
source "$source_dir/tests/support/demo_session.sh"
demo_session_begin xorg "61.0 - 68.0" "59.0 - 76.0"
picture_fills() {
  import -window "$1" "$work/window.png"
  # Sampled, not filtered, back to 1024x768: the colours stay exact.
  convert "$work/window.png" -sample '1024x768!' -depth 8 -type TrueColor "ppm:$work/window.ppm"
  python3 "$source_dir/tests/display/frame_check.py" initial "$work/window.ppm"
}
ranges="61.0 - 68.0 59.0 - 76.0"
#          monitor's ranges (kHz, Hz)  window manager  window size  full screen answered by
for row in "61.0 - 68.0 59.0 - 76.0    none            1024x768     layer" \
           "61.0 - 68.0 59.0 - 76.0    openbox         screen       openbox" \
           "30.0 - 46.0 50.0 - 76.0    openbox         screen       openbox"; do
  read -r h1 _ h2 v1 _ v2 wm want answerer <<<"$row"
  if [[ "$h1 - $h2 $v1 - $v2" != "$ranges" ]]; then
    ranges="$h1 - $h2 $v1 - $v2"
    stop_xorg_dummy
    start_xorg_dummy "$h1 - $h2" "$v1 - $v2"
  fi
  under="under $wm"
  [[ $wm != none ]] || under="without a window manager"
  start_window_manager "$wm"
  demo_start "$source_dir" env LD_PRELOAD="${LD_PRELOAD:+$LD_PRELOAD:}$state_writes" 2>"$work/err"
  screen=$(xrandr --current | sed -n 's/.* current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p')
  [[ $want != screen ]] || want=$screen
  window=$(xdotool search --name '^OpenGL$' | head -n 1)
  size=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
  [[ $size == "$want" ]] || fail "the window is $size on a $screen screen $under, expected $want"
  # Its state says so, whoever answered its request to go full screen: SDL 3
  # takes the mode change back unless it does.
  xprop -id "$window" _NET_WM_STATE | grep -q '_NET_WM_STATE_FULLSCREEN' ||
    fail "the window's state is not full screen $under: $(xprop -id "$window" _NET_WM_STATE)"
  # Drawn for the new size once its message is handled.
  eventually 10 picture_fills "$window" ||
    fail "the picture does not fill the $size window on a $screen screen $under"
  keys tap Escape
  demo_expect_end Escape 10
  answered=$wm
  ! grep -q "^state-writes: the layer wrote" "$work/err" || answered=layer
  [[ $answered == "$answerer" ]] || fail "full screen answered by $answered $under, expected $answerer"
  echo "ok: the scene fills the $size window on a $screen screen $under, full screen answered by $answered"
  stop_window_manager
done
