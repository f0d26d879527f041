#!/usr/bin/env bash
# The demo on Wayland desktops, as a user sees it: GNOME's compositor
# (mutter) and weston, each in a session of its own (nested in a virtual
# display, or mutter headless where it cannot nest), on both of SDL's
# roads there: X11 through the compositor's Xwayland
# (SDL_VIDEODRIVER=x11) and native Wayland (SDL_VIDEODRIVER=wayland). Every
# row requires an opaque picture filling the output with no cursor over it,
# "+" raising the detail, and Escape ending the demo with status 0.
# Skipped where the compositors cannot start, except on CI.
# Usage: desktops.sh PROGRAM SOURCE_DIR
set -euo pipefail
program=$(realpath "$1")
source_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$source_dir/tests/support/demo_session.sh"
source "$source_dir/tests/support/nested_compositor.sh"
work=$(mktemp -d) demo=
trap 'demo_kill; stop_compositor; rm -rf "$work"' EXIT
export MESA_SHADER_CACHE_DISABLE=true
# A crash must show as its signal, not as a core file.
ulimit -c 0

# A failing row shows what the demo said.
fail() {
  echo "FAIL: $*"
  [[ ! -s $work/err ]] || sed 's/^/  standard error: /' "$work/err"
  exit 1
}
check() { python3 "$here/output_check.py" "$@"; }

# Grabs until CHECK holds, for up to SECONDS; fails with its last reasons.
until_output() {
  local what=$1 seconds=$2 start
  shift 2
  start=$(now)
  while :; do
    [[ -z $demo ]] || kill -0 "$demo" 2>/dev/null || fail "$row: the demo ended before $what"
    compositor_grab now
    check "$@" >"$work/problems" && return 0
    awk -v s="$(elapsed "$start" "$(now)")" -v l="$seconds" 'BEGIN { exit !(s > l) }' &&
      fail "$row: $what: $(tr '\n' ' ' <"$work/problems")"
    sleep 0.3
  done
}

# The pointer rests over a part of the picture that is black.
pointer=(192 918)
# Linux input codes of the keys typed.
shift=42 equal=13 escape=1

check_row() {
  local compositor=$1 road=$2 driver=()
  row="$compositor, $road"
  # Under the sanitizers, leaks are not looked for on native Wayland: SDL
  # 2.26's Wayland backend leaves objects of the window behind at exit (its
  # libdecor frame among them, which hiding the window only hides), and a
  # suppression cannot name them, as SDL's allocation wrappers end their
  # stacks.
  # Each road is named: SDL 2 takes X11 where a session offers both, but
  # SDL 3 (under sdl2-compat) takes Wayland where the compositor offers
  # wp_fifo_v1, as mutter 50 does.
  case $road in
    x11) driver=(SDL_VIDEODRIVER=x11) ;;
    wayland) driver=(SDL_VIDEODRIVER=wayland ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0") ;;
  esac
  compositor_pointer "${pointer[@]}"
  # The last row's window may still be on the output.
  until_output "the desktop before the start" 10 desktop "$work/now.ppm"
  (cd "$source_dir" && exec env "${driver[@]}" "$program") 2>"$work/err" &
  demo=$!
  until_output "the first full frame" 30 frame "$work/now.ppm"
  # Moved over the window as a user moves it; the compositor draws the
  # cursor into its output. (Until it moves, mutter's Xwayland 22 may place
  # the pointer that entered its emulated 1024x768 window unscaled, outside
  # that window, and show the desktop's arrow.)
  compositor_motion 8 -8
  compositor_motion -8 8
  until_output "the cursor over the window" 5 frame "$work/now.ppm" "${pointer[@]}"

  cp "$work/now.ppm" "$work/before_plus.ppm"
  # "+" as typed on a US keyboard: Shift and "=".
  compositor_key $shift down
  compositor_key $equal down
  compositor_key $equal up
  compositor_key $shift up
  until_output "typing +" 10 raised "$work/before_plus.ppm" "$work/now.ppm"

  compositor_key $escape down
  compositor_key $escape up
  demo_expect_end "Escape ($row)" 10
}

for compositor in mutter weston; do
  start_compositor "$compositor"
  check_row "$compositor" x11
  check_row "$compositor" wayland
  stop_compositor
done
