#!/usr/bin/env bash
# However the demo ends, the desktop gets its exact display configuration
# back within 3 s, on a real X server that changes modes (Xorg, dummy
# driver, desktop 1920x1080). Endings with a teardown put the mode back
# themselves; the others leave it to lightning-guardian, which says so on
# standard error, so each row also checks who did it: a teardown that only
# pretends to restore the mode fails here. A window that cannot be made (the
# server refuses GL over the wire: an X error inside SDL's window creation)
# is an ending too: an error box, status 1, and the mode never changed.
# Usage: endings.sh PROGRAM SOURCE_DIR NO_GL_PROGRAM RECORDING_ERROR
#   NO_GL_PROGRAM: the program built to load a GL library without GL, so
#   that it stops at its first GL call, after the window is up.
#   RECORDING_ERROR: a library to preload that makes an X error come while
#   the guardian records.
set -euo pipefail
program=$(realpath "$1")
source_dir=$2
no_gl_program=$(realpath "$3")
recording_error=$(realpath "$4")
source "$source_dir/tests/support/demo_session.sh"
# A crash keeps its own status under the sanitizers too; no core files.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:handle_segv=0"
ulimit -c 0

config() { xrandr --current --verbose | grep -v Timestamp; }
# When the screen's configuration was last set, by anyone.
last_set() { xrandr --current --verbose | awk '/Timestamp:/ && !seen++ { print $2 }'; }
# The mode of output $1 (DUMMY0...), as WIDTHxHEIGHT.
mode_of() { xrandr --current | sed -n "s/^$1 connected[^0-9]*\([0-9]*x[0-9]*\)+.*/\1/p"; }
screen_size() { xrandr --current | sed -n 's/^Screen 0:.* current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p'; }
guardian_says="the guardian restored the display mode"
# Whether more than $1 seconds have passed since $2.
past() { awk -v s="$(elapsed "$2" "$(now)")" -v l="$1" 'BEGIN { exit !(s > l) }'; }

# ENDING STATUS RESTORER MODE [TWIST]: ends the demo that way and checks
# its status, who restored the mode (demo, guardian, or none when it never
# changed) and the screen size while it ran. TWIST: recording-error (an X
# error while the guardian records) or second-output (the second monitor's
# mode changes too while the demo runs).
check_ending() {
  local ending=$1 want_status=$2 want_restorer=$3 want_mode=$4 twist=${5:-}
  local desktop stamp dir=$source_dir guardian= status=0 sent ended checked back restorer=none
  desktop=$(config)
  stamp=$(last_set)
  case $ending in
    exception)  # an I/O error reading the font: caught in main
      dir=$work/huge_font
      mkdir -p "$dir/DATA"
      truncate -s 5G "$dir/DATA/font.bmp"
      (cd "$dir" && exec setsid "$program") 2>"$work/err" &
      demo=$! ;;
    missing-entry-point | refused-context)  # an error box, then the end
      if [[ $ending == missing-entry-point ]]; then
        (cd "$dir" && exec setsid "$no_gl_program") 2>"$work/err" &
      else  # GL over the wire, which the server refuses: an X error
        (cd "$dir" && exec env LIBGL_ALWAYS_INDIRECT=1 setsid "$program") 2>"$work/err" &
      fi
      demo=$!
      local box= waited=0
      while [[ -z $box ]] && ((waited++ < 80)); do
        sleep 0.25
        box=$(xwininfo -root -tree | awk '/ "Error": / && !seen++ { print $1 }')
      done
      [[ -n $box ]] || fail "$ending: no error box within 20 s" ;;
    *)
      local launcher=(setsid)
      [[ $twist != recording-error ]] ||
        launcher=(env LD_PRELOAD="${LD_PRELOAD:+$LD_PRELOAD:}$recording_error" setsid)
      demo_start "$dir" "${launcher[@]}" 2>"$work/err"
      guardian=$(pgrep -P "$demo") || fail "$ending: no guardian beside the demo" ;;
  esac
  [[ $ending == exception || $(mode_of DUMMY0) == "$want_mode" ]] ||
    fail "$ending: the screen is $(mode_of DUMMY0) while the demo runs, expected $want_mode"
  [[ $twist != second-output ]] || xrandr --output DUMMY1 --mode 1280x1024

  sent=$(now)
  case $ending in
    escape) keys tap Escape ;;
    close) python3 "$source_dir/tests/support/close_request.py" "$(xdotool search --name '^OpenGL$')" ;;
    # What a terminal sends goes to the whole process group.
    INT | HUP | QUIT) kill -"$ending" -- -"$demo" ;;
    xkill) xdotool windowkill "$(xdotool search --name '^OpenGL$')" ;;
    missing-entry-point | refused-context) xdotool windowfocus --sync "$box"; keys tap Return ;;
    exception) ;;
    *) kill -"$ending" "$demo" ;;
  esac
  while kill -0 "$demo" 2>/dev/null; do
    ! past 10 "$sent" || fail "$ending: the demo did not end within 10 s"
    sleep 0.02
  done
  wait "$demo" || status=$?
  demo=
  ended=$(now)
  for (( ; ; )); do
    checked=$(now)
    [[ $(config) == "$desktop" ]] && break
    ! past 3 "$ended" ||
      fail "$ending: the desktop's configuration is not back 3 s after the end: $(screen_size)"
    sleep 0.02
  done
  back=$(elapsed "$ended" "$checked")

  [[ $status -eq $want_status ]] || fail "$ending: status $status, expected $want_status"
  if grep -q "$guardian_says" "$work/err"; then
    restorer=guardian
  elif [[ $(last_set) != "$stamp" ]]; then
    restorer=demo
  fi
  [[ $restorer == "$want_restorer" ]] ||
    fail "$ending: restored by $restorer, expected $want_restorer; standard error: $(cat "$work/err")"
  # The error box was seen and answered: its text is not repeated.
  ! grep -q "is not available\|Unable to create" "$work/err" ||
    fail "$ending: the text of the box that was answered is on standard error too: $(cat "$work/err")"
  # Reaped by the demo when it ended through its teardown; otherwise it was
  # orphaned, and within a moment (its exit takes longer under the
  # sanitizers) it is at most a zombie waiting for its new parent.
  local left= orphaned=no tries
  [[ $status -lt 128 && $restorer != guardian ]] || orphaned=yes
  for ((tries = 0; ; ++tries)); do
    [[ -z $guardian ]] || left=$(ps -o stat= -p "$guardian") || left=
    [[ $orphaned == yes && -n $left && $left != Z* && tries -lt 40 ]] || break
    sleep 0.05
  done
  [[ -z $left || ($left == Z* && $orphaned == yes) ]] ||
    fail "$ending: the guardian is still there after the demo ended (state $left)"
  printf 'ok: %-20s status %3d, mode %s while running, restored by %-8s back %s s after the end (%s s after the ending)%s%s\n' \
    "$ending" "$status" "$want_mode" "$restorer" "$back" "$(elapsed "$sent" "$ended")" "${twist:+, $twist}" \
    "$([[ $window_manager == none ]] || echo ", under $window_manager")"
}

# ORDER ENDING1 ENDING2 RESTORER: two demos on one desktop, the second
# started while the first holds its mode, so that SDL and the second one's
# guardian find that mode in force. ORDER (first or second) says which ends
# first, by signal ENDING1 (TERM: the teardown; KILL: none); the other then
# ends by ENDING2. Once both have ended the desktop's own configuration
# must be back, put there by RESTORER (demo or guardian).
check_two_demos() {
  local order=$1 ending1=$2 ending2=$3 restorer=$4 desktop first second one two status tries said
  desktop=$(config)
  demo_start "$source_dir" 2>"$work/err"
  first=$demo
  (cd "$source_dir" && exec env --default-signal=INT,QUIT "$program") 2>>"$work/err" &
  second=$!
  for ((tries = 0; $(xdotool search --onlyvisible --name '^OpenGL$' 2>/dev/null | wc -l) < 2; ++tries)); do
    ((tries < 200)) || fail "two demos: the second window did not appear within 20 s"
    sleep 0.1
  done
  [[ $(mode_of DUMMY0) == 1024x768 ]] || fail "two demos: the screen is $(mode_of DUMMY0) while they run"
  one=$first two=$second
  [[ $order == first ]] || one=$second two=$first
  for ending in "$one:$ending1" "$two:$ending2"; do
    status=0
    kill -"${ending#*:}" "${ending%:*}"
    wait "${ending%:*}" || status=$?
    [[ $status -eq $([[ ${ending#*:} == KILL ]] && echo 137 || echo 0) ]] ||
      fail "two demos: status $status on SIG${ending#*:}"
    # Without a teardown it is the guardian's turn, and the other demo
    # still runs in its mode: the guardian leaves it be.
    [[ $ending != "$one:KILL" ]] || { sleep 0.5; [[ $(mode_of DUMMY0) == 1024x768 ]]; } ||
      fail "two demos: the mode changed to $(mode_of DUMMY0) under the one still running"
  done
  demo=
  for ((tries = 0; ; ++tries)); do
    [[ $(config) == "$desktop" ]] && break
    ((tries < 150)) || fail "two demos, the $order ended first: the desktop is $(screen_size) 3 s after the end"
    sleep 0.02
  done
  said=$(grep -c "$guardian_says" "$work/err") || true
  [[ $said -eq $([[ $restorer == guardian ]] && echo 1 || echo 0) ]] ||
    fail "two demos: a guardian said $said time(s) that it restored the mode, restorer $restorer: $(cat "$work/err")"
  echo "ok: two demos, the $order ended first by $ending1, the other by $ending2: $(screen_size) back, restored by $restorer"
}

demo_session_begin xorg
# Under the emulator (the ARM builds) the table's code is the same as on a
# PC; what differs is the guardian, which starts through the emulator, and
# the time each start takes. One ending of each kind in a bare session: a
# teardown, a signal caught and one that is not, an error box, two demos.
if [[ ${LIGHTNING_TEST_BED:-} == emulated ]]; then
  window_manager=none
  check_ending    escape           0   demo     1024x768
  check_ending    TERM             0   demo     1024x768
  check_ending    SEGV             139 guardian 1024x768
  check_ending    KILL             137 guardian 1024x768
  check_ending    refused-context  1   none     1920x1080
  check_two_demos second TERM TERM demo
  exit 0
fi
# Every ending in a bare X session (a kiosk started with xinit), where
# nobody answers the window's request to go full screen, and one of each
# kind under a window manager, which answers it.
for wm in none openbox; do
  start_window_manager "$wm"
  #                                   ending               status restorer mode while running
  check_ending                        escape               0      demo     1024x768
  check_ending                        close                0      demo     1024x768
  without_window_manager check_ending TERM                 0      demo     1024x768
  without_window_manager check_ending INT                  0      demo     1024x768
  without_window_manager check_ending HUP                  0      demo     1024x768
  without_window_manager check_ending QUIT                 131    guardian 1024x768
  without_window_manager check_ending SEGV                 139    guardian 1024x768
  without_window_manager check_ending ABRT                 134    guardian 1024x768
  check_ending                        KILL                 137    guardian 1024x768
  without_window_manager check_ending xkill                1      guardian 1024x768
  check_ending                        exception            1      demo     1024x768
  check_ending                        missing-entry-point  1      demo     1024x768
  without_window_manager check_ending refused-context      1      none     1920x1080
  stop_window_manager
done

#               ended first  by    the other by  restorer
check_two_demos first        TERM  TERM          demo
check_two_demos second       TERM  TERM          demo
check_two_demos first        KILL  KILL          guardian

# Already at 1024x768: nothing is set, by the demo or the guardian.
xrandr -s 1024x768
check_ending escape               0      none     1024x768
check_ending KILL                 137    none     1024x768
# A desktop smaller than the demo's mode: the screen must shrink back.
xrandr -s 800x600
check_ending KILL                 137    guardian 1024x768
# An X error while recording does not spoil the report of the restore.
check_ending KILL                 137    guardian 1024x768 recording-error

# Two monitors side by side. SDL changes the first; the guardian puts back
# whatever differs from its record, every CRTC's mode and position.
xrandr --addmode DUMMY1 1920x1080
xrandr --addmode DUMMY1 1280x1024
xrandr --output DUMMY0 --mode 1920x1080 --output DUMMY1 --mode 1920x1080 --right-of DUMMY0
# The driver connects the second output when its mode is first set, and
# says so at the next probe (SDL probes): probe now, before the record.
xrandr >/dev/null
check_ending KILL                 137    guardian 1024x768 second-output

# No 1024x768 on this desktop: SDL takes the nearest larger mode.
stop_xorg_dummy
start_xorg_dummy "61.0 - 68.0" "59.0 - 76.0"
check_ending KILL                 137    guardian 1152x864
