# Sourced, not run: starting, watching and ending the real program in the
# shell-script tests. The caller sets `program` (the executable),
# `source_dir`, `work` (a scratch folder of its own) and has a display
# (start_xvfb) when it needs one; demo_session_begin does the last two.
#
#   demo_session_begin [xorg ARGS] scratch folder, virtual display (or the
#                                 real server of xorg_dummy.sh), clean-up
#                                 at exit (demo_session_end)
#   start_window_manager none|openbox
#                                 openbox manages the display (a home of
#                                 its own in $work) once this returns, and
#                                 until stop_window_manager; none: nothing
#   without_window_manager CMD... runs CMD only when none manages the display
#   demo_start DIR [launcher...]  run the program from DIR (it reads
#                                 DATA/font.bmp relative to it), optionally
#                                 through a launcher such as valgrind; waits
#                                 up to WINDOW_TIMEOUT s (20) for the window
#                                 to show, take the focus and draw a bolt;
#                                 fails at once on an error box.
#                                 With WINDOW_FOCUS=pointer the X focus may
#                                 stay on the pointer root instead, as Wine
#                                 leaves it without a window manager: keys
#                                 then go to the window under the pointer
#   demo_rss                      the program's resident set, in KiB
#   grab NAME                     the screen as $work/NAME.ppm (8-bit P6)
#   wait_for_bolt frozen|live S   waits up to S s until two grabs a second
#                                 apart (3 s under an emulator) are
#                                 identical (Space has frozen the bolt) or
#                                 show different bolts (live again)
#   expect_space_freezes          holding Space shows one bolt, unchanged,
#                                 and releasing it lets the bolt go live
#   demo_expect_end WHAT SECONDS  waits for the end; status 0 required;
#                                 sets demo_end_seconds to the time it took
#   eventually TRIES CMD...       runs CMD until it succeeds, up to TRIES
#                                 times half a second apart, for what a
#                                 slow program (under an emulator: two
#                                 frames a second, one message a frame)
#                                 shows late; the last try's output if none
#   fail TEXT                     prints FAIL: TEXT and ends the test
#
# Keys go through keys and type_keys (scripts/keys.sh), by keycode, as a
# keyboard sends them.

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/keys.sh"

fail() {
  echo "FAIL: $*"
  exit 1
}

# Seconds since the epoch with microseconds, for measuring short spans.
now() { echo "$EPOCHREALTIME"; }
elapsed() { echo "$1 $2" | awk '{ printf "%.2f", $2 - $1 }'; }

demo_start() {
  local dir=$1 limit=${WINDOW_TIMEOUT:-20} window waited
  shift
  # From a terminal the program starts with SIGINT and SIGQUIT at their
  # defaults, which Ctrl+C and Ctrl+\ send. A script without job control
  # starts its background jobs with both ignored, and bash 5.3 does so for
  # this subshell too, exec included; SDL leaves a signal ignored that was
  # ignored when it started, and the program would never see them.
  # SDL reads a variable named like a hint in place of the hint: each one
  # the layer sets is set against it here, and must still hold.
  (cd "$dir" && exec env --default-signal=INT,QUIT SDL_VIDEO_MINIMIZE_ON_FOCUS_LOSS=1 \
    SDL_QUIT_ON_LAST_WINDOW_CLOSE=1 SDL_VIDEO_SYNC_WINDOW_OPERATIONS=1 "$@" "$program") &
  demo=$!
  # Keys sent before the window is mapped and focused go to the root
  # window and are lost; keys sent before the first frame may be read
  # before the program listens. Wait for all three.
  # xdotool's search ends with an X error when a window goes while it
  # looks (SDL makes and destroys a small window to probe GLX as it starts):
  # a failed search is looked again until the time is up.
  local deadline=$((SECONDS + limit))
  until window=$(xdotool search --onlyvisible --name '^OpenGL$' 2>/dev/null | head -n 1) && [[ -n $window ]]; do
    ((SECONDS < deadline)) || fail "the window did not appear within $limit s"
    sleep 0.1
  done
  local focus=none drawn=no
  for ((waited = 0; ; ++waited)); do
    kill -0 "$demo" 2>/dev/null || fail "the program ended right after its window appeared"
    # A modal box waits for a hand that never comes: say so now.
    ! xdotool search --onlyvisible --name '^Error$' >/dev/null 2>&1 ||
      fail "an error box came up instead of the picture"
    focus=$(xdotool getwindowfocus 2>&1) || true
    if [[ $focus == "$window" || ${WINDOW_FOCUS:-} == pointer ]]; then
      grab first_frame
      drawn=$(python3 -c 'import sys; print("yes" if bytes((255, 230, 255)) in open(sys.argv[1], "rb").read() else "no")' \
        "$work/first_frame.ppm")
      [[ $drawn == yes ]] && break
    fi
    (( waited < limit * 4 )) ||
      fail "no bolt drawn in the focused window within $limit s (window $window, focus $focus, bolt $drawn)"
    sleep 0.25
  done
}

start_window_manager() {
  window_manager=$1
  [[ $1 != none ]] || return 0
  command -v openbox >/dev/null || fail "openbox is not installed (scripts/install-deps.sh test installs it)"
  # It announces itself on the root window once it manages the screen; a
  # predecessor's announcement must not count.
  xprop -root -remove _NET_SUPPORTING_WM_CHECK
  mkdir -p "$work/wm_home"
  HOME=$work/wm_home openbox --sm-disable >"$work/wm.log" 2>&1 &
  WM_PID=$!
  local tries
  for tries in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' && return 0
    kill -0 "$WM_PID" 2>/dev/null || break
    sleep 0.1
  done
  fail "openbox did not take the display within 10 s: $(cat "$work/wm.log")"
}

stop_window_manager() {
  window_manager=none
  if [[ -n "${WM_PID:-}" ]]; then
    kill "$WM_PID" 2>/dev/null || true
    wait "$WM_PID" 2>/dev/null || true
    WM_PID=
  fi
}

without_window_manager() {
  [[ ${window_manager:-none} != none ]] || "$@"
}

demo_rss() {
  awk '/^VmRSS:/ { print $2 }' "/proc/$demo/status" 2>/dev/null
}

grab() {
  import -window root -depth 8 -type TrueColor "ppm:$work/$1.ppm"
}

# Messages are handled one per frame, in order: once a Space pressed last
# shows as a frozen bolt, every key sent before it has been handled too.
wait_for_bolt() {
  local want=$1 limit=$2 waited=0 apart=1
  # Under the emulator a frame can take more than a second on a busy
  # machine: grabs a second apart could show one live frame twice.
  [[ ${LIGHTNING_TEST_BED:-} != emulated ]] || apart=3
  grab bolt_a
  while :; do
    sleep "$apart"
    grab bolt_b
    if [[ $want == frozen ]]; then
      cmp -s "$work/bolt_a.ppm" "$work/bolt_b.ppm" && return 0
    else
      python3 "$source_dir/tests/display/frame_check.py" differ "$work/bolt_a.ppm" "$work/bolt_b.ppm" \
        >/dev/null && return 0
    fi
    (( (waited += apart) < limit )) || fail "the bolt was not $want within $limit s"
    mv "$work/bolt_b.ppm" "$work/bolt_a.ppm"
  done
}

expect_space_freezes() {
  keys down space
  wait_for_bolt frozen 30
  grab frozen1
  sleep 0.7
  grab frozen2
  keys up space
  wait_for_bolt live 30
  grab released
  local check=$source_dir/tests/display/frame_check.py
  python3 "$check" same "$work/frozen1.ppm" "$work/frozen2.ppm" || fail "Space held"
  python3 "$check" differ "$work/frozen2.ppm" "$work/released.ppm" || fail "Space released"
  echo "ok: Space freezes one bolt, release lets it go"
}

demo_expect_end() {
  local what=$1 limit=$2 start status=0
  start=$(now)
  while kill -0 "$demo" 2>/dev/null; do
    if awk -v s="$(elapsed "$start" "$(now)")" -v l="$limit" 'BEGIN { exit !(s > l) }'; then
      fail "the program did not end within $limit s after $what"
    fi
    sleep 0.05
  done
  wait "$demo" || status=$?
  demo_end_seconds=$(elapsed "$start" "$(now)")
  demo=
  [[ $status -eq 0 ]] || fail "the program ended with status $status after $what"
  echo "ok: $what ends the program with status 0 after $demo_end_seconds s"
}

eventually() {
  local tries=$1 try said
  shift
  for ((try = 1; ; ++try)); do
    said=$("$@" 2>&1) && return 0
    ((try < tries)) || { echo "$said"; return 1; }
    sleep 0.5
  done
}

# Ends a program still running when the test stops early.
demo_kill() {
  if [[ -n "${demo:-}" ]]; then
    kill -KILL "$demo" 2>/dev/null || true
    wait "$demo" 2>/dev/null || true
    demo=
  fi
}

# The common start of a test script: a scratch folder in $work, a display
# of its own, and a clean-up at exit that ends the program, the display and
# the folder. Needs source_dir.
demo_session_begin() {
  work=$(mktemp -d)
  source "$source_dir/scripts/xvfb.sh"
  source "$source_dir/tests/support/xorg_dummy.sh"
  trap demo_session_end EXIT
  if [[ ${1:-} == xorg ]]; then
    start_xorg_dummy "${@:2}"
  else
    start_xvfb
  fi
  # Under the emulator (LIGHTNING_TEST_BED=emulated: the ARM builds) the
  # program draws one or two frames a second and takes one message a frame:
  # held keys' repeats (a key and its character each) would queue faster
  # than they are taken, and a key released would act on for many seconds.
  # No repeats there; the native builds' tests check them.
  [[ ${LIGHTNING_TEST_BED:-} != emulated ]] || xset r off
  export MESA_SHADER_CACHE_DISABLE=true
}

demo_session_end() {
  demo_kill
  stop_window_manager
  stop_xvfb
  stop_xorg_dummy
  rm -rf "$work"
}
