#!/usr/bin/env bash
# On a desktop without 1024x768 and without a window manager, SDL takes the
# nearest larger mode (1152x864) and counts the full-screen window as that
# large, while the X window keeps its 1024x768. The picture must be drawn
# for the window as it is: the scene centred in it.
# Usage: window_size.sh PROGRAM SOURCE_DIR
set -euo pipefail
program=$(realpath "$1")
source_dir=$2
source "$source_dir/tests/support/demo_session.sh"
demo_session_begin xorg "61.0 - 68.0" "59.0 - 76.0"
demo_start "$source_dir"
window=$(xdotool search --name '^OpenGL$' | head -n 1)
import -window "$window" "$work/window.png"
convert "$work/window.png" -depth 8 -type TrueColor "ppm:$work/window.ppm"
python3 "$source_dir/tests/display/frame_check.py" initial "$work/window.ppm" ||
  fail "the picture does not fit the window on a $(xrandr --current | sed -n 's/.* current \([0-9]* x [0-9]*\),.*/\1/p') screen"
echo "ok: the scene is centred in the 1024x768 window on a 1152x864 screen"
keys tap Escape
demo_expect_end Escape 10
