#!/usr/bin/env bash
# The real program on a virtual screen: the first frame as a person sees it,
# the help text and its values, Space freezing the bolt, held keys letting go
# when the focus moves away, Escape and SIGTERM ending it with status 0;
# without a window manager and under one (openbox), which makes the window
# full screen, gives it the focus and moves the focus away. What keys and
# signals do once they reach the program does not depend on it and is
# checked once.
# Usage: demo_on_screen.sh PROGRAM SOURCE_DIR
set -euo pipefail
program=$1
source_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$source_dir/tests/support/demo_session.sh"
demo_session_begin
check() { python3 "$here/frame_check.py" "$@"; }
help_as_before_plus() { grab before_f2 && check band_same "$work/before_plus.ppm" "$work/before_f2.ppm"; }
f2_shown() { grab held_f2 && check changed "$work/before_f2.ppm" "$work/held_f2.ppm" 4; }
scene_still() { grab away1 && sleep 0.5 && grab away2 && check still "$work/away1.ppm" "$work/away2.ppm"; }

for wm in none openbox; do
  start_window_manager "$wm"
  [[ $wm == none ]] && echo "== without a window manager" || echo "== under $wm"
  demo_start "$source_dir"
  grab initial
  check initial "$work/initial.ppm" || fail "initial frame"
  echo "ok: initial frame"
  check overlay "$work/initial.ppm" || fail "help overlay"
  echo "ok: help overlay in its band"

  # "+" changes the detail shown on line 6 and nothing else of the help;
  # holding F2 changes the scatter on line 4. Messages are handled one per
  # frame: a frozen bolt after a Space pressed last shows they all were.
  if [[ $wm == none ]]; then
    grab before_plus
    type_keys --delay 100 '+'
    keys down space
    wait_for_bolt frozen 30
    grab after_plus
    check changed "$work/before_plus.ppm" "$work/after_plus.ppm" 6 || fail "typing +"
    keys up space
    keys tap --delay 100 minus
    wait_for_bolt live 30
    # The help reads as before "+" once "-" is handled.
    eventually 30 help_as_before_plus || fail "typing - did not take the detail back"
    # Held until line 4 shows it: a few frames, seconds under an emulator.
    keys down F2
    eventually 60 f2_shown || fail "holding F2 did not change line 4"
    keys up F2
    keys down space
    wait_for_bolt frozen 30
    grab after_f2
    check changed "$work/before_f2.ppm" "$work/after_f2.ppm" 4 || fail "holding F2"
    keys up space
    wait_for_bolt live 30
    echo "ok: + changes line 6's value, F2 line 4's"

    expect_space_freezes
  fi

  # Keys held while the focus goes to another window, and released there,
  # stop acting: the frozen bolt goes and the scene stops turning. They are
  # held for their effect alone: repeats would only queue up behind it.
  python3 "$source_dir/tests/support/autorepeat.py" off
  keys down space
  wait_for_bolt frozen 30
  keys down Left
  xlogo -geometry 16x16+0-0 2>/dev/null &
  other=$!
  away=$(timeout 10 xdotool search --sync --onlyvisible --name '^xlogo$' | head -n 1) || fail "no other window"
  timeout 10 xdotool windowfocus --sync "$away" || fail "the other window did not take the focus"
  keys up Left space
  wait_for_bolt live 30
  # The releases come one a frame: under an emulator a frame or two may
  # still turn the scene after the bolt went live.
  eventually 10 scene_still || fail "the scene turned on after the focus went away"
  timeout 10 xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^OpenGL$' | head -n 1)" ||
    fail "the demo did not take the focus back"
  kill "$other"
  echo "ok: keys held when the focus goes elsewhere stop acting"

  keys tap Escape
  demo_expect_end Escape 10

  if [[ $wm == none ]]; then
    demo_start "$source_dir"
    kill -TERM "$demo"
    demo_expect_end SIGTERM 10
  fi
  stop_window_manager
done
