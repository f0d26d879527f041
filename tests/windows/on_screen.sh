#!/usr/bin/env bash
# The Windows program under Wine on a virtual screen: the first frame with
# the help text, the axes and a bolt; "+" raises the detail and "-" lowers
# it while Alt with "+" changes nothing; Space freezes the bolt; Escape ends
# it with status 0. Then the same on a driver without swap control.
# Usage: on_screen.sh PROGRAM SOURCE_DIR HIDING_GLU (WINEPREFIX set to a
# ready prefix)
#   HIDING_GLU: glu32.dll that hides wglSwapIntervalEXT from the program
set -euo pipefail
program=$(realpath "$1")
source_dir=$2
hiding_glu=$(realpath "$3")
source "$source_dir/tests/support/demo_session.sh"
check() { python3 "$source_dir/tests/display/frame_check.py" "$@"; }
command -v wine >/dev/null || exec bash "$source_dir/tests/windows/without_wine.sh"
# The prefix's desktop must be made on this test's display.
wineserver -w
demo_session_begin
# The window shows once Wine has started, which takes a while on a busy
# machine. Wine keeps the keyboard focus itself and leaves X's on the
# pointer root; the window covers the screen, so keys reach it.
export WINDOW_TIMEOUT=60 WINDOW_FOCUS=pointer

demo_start "$(dirname "$program")" wine
grab initial
check initial "$work/initial.ppm" || fail "initial frame"
check overlay "$work/initial.ppm" || fail "help overlay"
echo "ok: the help text, the axes and a bolt"

# Messages are handled one per frame: a bolt frozen by a Space sent last
# shows that every key before it was handled.
settle() {
  keys down space
  wait_for_bolt frozen 30
  grab "$1"
  keys up space
  wait_for_bolt live 30
}
type_keys --delay 100 '+'
settle plus
check changed "$work/initial.ppm" "$work/plus.ppm" 6 || fail "typing +"
check twin "$work/plus.ppm" 6 || fail "+ did not make the detail 11"
keys down Alt_L
keys tap --delay 100 plus
keys up --delay 100 Alt_L
settle alt_plus
check band_same "$work/plus.ppm" "$work/alt_plus.ppm" || fail "Alt with + changed the help"
keys tap --delay 100 minus
settle minus
check band_same "$work/initial.ppm" "$work/minus.ppm" || fail "- did not bring the detail back to 10"
echo "ok: + raises the detail, Alt with + does not, - lowers it"

expect_space_freezes

keys tap Escape
demo_expect_end Escape 20

# A driver without WGL_EXT_swap_control (Microsoft's GDI renderer, say):
# the program beside a GLU library that hides the entry point from it
# draws, and Escape ends it with status 0.
hidden=$work/without_swap_control
mkdir "$hidden"
cp -r "$program" "$hiding_glu" "$source_dir/DATA" "$hidden/"
program=$hidden/$(basename "$program")
demo_start "$hidden" env WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}glu32=n,b" wine
[[ -e $hidden/wglSwapIntervalEXT ]] || fail "wglSwapIntervalEXT was not looked up where it is hidden"
keys tap Escape
demo_expect_end "Escape without swap control" 20
