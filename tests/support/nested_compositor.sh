# Sourced, not run: a Wayland compositor of its own for the tests of the
# demo on Wayland desktops, each with its Xwayland. Where the compositor
# can nest (weston; mutter up to 48, --nested) it runs in a virtual X
# display of its own, the outer Xvfb (1920x1080), which shows its output:
# keys sent there reach the compositor's focused client, and a grab of that
# screen is what the compositor shows. mutter 49 and later cannot nest and
# run headless with a virtual monitor of the same size instead; the test
# then types and points through mutter's own remote-desktop service and
# grabs the monitor through its screen-cast service, as a remote-desktop
# program does (tests/support/mutter_remote.py, over a PipeWire daemon of
# the session's own). Everything lives in $work: the runtime folder, a home
# for the compositor, logs.
#
#   start_compositor mutter|weston   exports for the compositor's clients
#       WAYLAND_DISPLAY, DISPLAY (its Xwayland), XAUTHORITY (mutter's),
#       XDG_RUNTIME_DIR and a private DBUS_SESSION_BUS_ADDRESS
#   compositor_grab NAME             what the output shows, $work/NAME.ppm
#   compositor_key CODE down|up      a key by its Linux input code (X's
#                                    keycode less 8), so that no tool adds
#                                    modifiers of its own
#   compositor_pointer X Y           the pointer to X Y of the output
#   compositor_motion DX DY          the pointer moved as a mouse moves it
#   stop_compositor
#
# Where the compositor cannot start (not installed, or it fails), the test
# ends as skipped (status 77), except on CI, which must run it.

compositor_unavailable() {
  stop_compositor
  if [[ -n "${CI:-}" ]]; then
    echo "FAIL: $1"
    exit 1
  fi
  echo "SKIPPED: $1"
  exit 77
}

# Waits up to 20 s for a line of FILE matching the sed expression, which
# prints what it captures; the compositor's process must stay alive.
compositor_log_says() {
  local file=$1 expression=$2 found tries
  for tries in $(seq 1 200); do
    found=$(sed -n "$expression" "$file" 2>/dev/null | head -n 1)
    [[ -n $found ]] && { echo "$found"; return 0; }
    kill -0 "$COMPOSITOR_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Whether this mutter can still nest in an X display (up to 48).
mutter_nests() { mutter --help 2>&1 | grep -q -- '--nested'; }

start_outer_xvfb() {
  local number tries
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/outer.display" >/dev/null 2>&1 &
  OUTER_XVFB_PID=$!
  for tries in $(seq 1 100); do
    number=$(head -n 1 "$work/outer.display")
    [[ -n $number ]] && DISPLAY=":$number" xdpyinfo >/dev/null 2>&1 && break
    number=
    sleep 0.1
  done
  [[ -n $number ]] || compositor_unavailable "the outer Xvfb did not start"
  OUTER_DISPLAY=":$number"
}

# The headless mutter's screen cast goes through PipeWire, whose links
# WirePlumber makes; both serve this session alone, in its runtime folder.
start_pipewire() {
  command -v pipewire >/dev/null && command -v wireplumber >/dev/null ||
    compositor_unavailable "pipewire or wireplumber is not installed (scripts/install-deps.sh test installs them)"
  "${environment[@]}" pipewire >"$work/pipewire.log" 2>&1 &
  PIPEWIRE_PID=$!
  local tries
  for tries in $(seq 1 100); do
    [[ -S $XDG_RUNTIME_DIR/pipewire-0 ]] && break
    sleep 0.1
  done
  [[ -S $XDG_RUNTIME_DIR/pipewire-0 ]] || compositor_unavailable "pipewire did not start: $(tail -n 3 "$work/pipewire.log")"
  "${environment[@]}" wireplumber >"$work/wireplumber.log" 2>&1 &
  WIREPLUMBER_PID=$!
}

# One request to mutter_remote.py and its answer.
remote() {
  local reply
  echo "$*" >&"$REMOTE_IN"
  read -r -t 20 reply <&"$REMOTE_OUT" || reply="no answer"
  [[ $reply == ok ]] || fail "$* (mutter's remote desktop): $reply; $(tail -n 3 "$work/remote.err")"
}

start_remote() {
  local here reply
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  mkfifo "$work/remote.in" "$work/remote.out"
  # Debian's Python, which python3-gi serves, whatever python3 comes first
  # on PATH.
  /usr/bin/python3 "$here/mutter_remote.py" <"$work/remote.in" >"$work/remote.out" 2>"$work/remote.err" &
  REMOTE_PID=$!
  exec {REMOTE_IN}>"$work/remote.in" {REMOTE_OUT}<"$work/remote.out"
  read -r -t 30 reply <&"$REMOTE_OUT" || reply="no answer"
  [[ $reply == ready ]] ||
    compositor_unavailable "mutter's screen cast did not start: $reply; $(tail -n 3 "$work/remote.err")"
}

start_compositor() {
  local name=$1 number tries socket=lightning-test
  command -v "$name" >/dev/null && command -v Xwayland >/dev/null && command -v dbus-launch >/dev/null ||
    compositor_unavailable "$name, Xwayland or dbus-launch is not installed (scripts/install-deps.sh test installs them)"

  # The files the background jobs write exist before the jobs run: the
  # shell opens them only once a job starts, which may be after the first
  # look at them.
  : >"$work/outer.display"
  : >"$work/compositor.log"
  unset DISPLAY WAYLAND_DISPLAY
  COMPOSITOR_MODE=nested
  [[ $name == mutter ]] && ! mutter_nests && COMPOSITOR_MODE=headless
  [[ $COMPOSITOR_MODE == headless ]] || start_outer_xvfb

  # The session's own runtime folder, home and message bus: nothing of it
  # reaches the user's, and nothing is left behind.
  export XDG_RUNTIME_DIR=$work/runtime
  unset XAUTHORITY
  mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$work/home"
  eval "$(env ${OUTER_DISPLAY:+DISPLAY=$OUTER_DISPLAY} dbus-launch --sh-syntax)"
  COMPOSITOR_BUS_PID=$DBUS_SESSION_BUS_PID
  export DBUS_SESSION_BUS_ADDRESS
  local environment=(env ${OUTER_DISPLAY:+DISPLAY=$OUTER_DISPLAY} HOME="$work/home"
                     XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
                     XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/home/.local/state"
                     MESA_SHADER_CACHE_DISABLE=true)
  case $name-$COMPOSITOR_MODE in
    mutter-nested)
      "${environment[@]}" MUTTER_DEBUG_DUMMY_MODE_SPECS=1920x1080 \
        mutter --nested --wayland --wayland-display="$socket" >"$work/compositor.log" 2>&1 & ;;
    mutter-headless)
      start_pipewire
      "${environment[@]}" mutter --headless --virtual-monitor 1920x1080 --wayland --wayland-display="$socket" \
        >"$work/compositor.log" 2>&1 & ;;
    weston-nested)
      # A coloured desktop, so that a window the desktop shows through is
      # not taken for a black one; no panel over the output.
      printf '[shell]\nbackground-color=0xff2060a0\npanel-position=none\n' >"$work/weston.ini"
      "${environment[@]}" weston --backend=x11-backend.so --xwayland --width=1920 --height=1080 \
        --socket="$socket" --config="$work/weston.ini" >"$work/compositor.log" 2>&1 & ;;
    *) echo "start_compositor: no compositor $name" >&2; exit 2 ;;
  esac
  COMPOSITOR_PID=$!
  case $name in
    mutter)
      number=$(compositor_log_says "$work/compositor.log" 's/.*Using public X11 display :\([0-9]*\).*/\1/p') ||
        compositor_unavailable "mutter did not start: $(tail -n 3 "$work/compositor.log")"
      export XAUTHORITY
      XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -n 1) ;;
    weston)
      number=$(compositor_log_says "$work/compositor.log" 's/.*xserver listening on display :\([0-9]*\).*/\1/p') ||
        compositor_unavailable "weston did not start: $(tail -n 3 "$work/compositor.log")" ;;
  esac
  export WAYLAND_DISPLAY=$socket DISPLAY=":$number"
  # Xwayland may start only when the first client comes: this is the first.
  for tries in $(seq 1 200); do
    if [[ -S $XDG_RUNTIME_DIR/$socket ]] && xdpyinfo >/dev/null 2>&1; then
      [[ $COMPOSITOR_MODE == nested ]] || start_remote
      return 0
    fi
    kill -0 "$COMPOSITOR_PID" 2>/dev/null || break
    sleep 0.1
  done
  compositor_unavailable "$name's Xwayland did not answer on $DISPLAY: $(tail -n 3 "$work/compositor.log")"
}

compositor_grab() {
  if [[ $COMPOSITOR_MODE == nested ]]; then
    DISPLAY=$OUTER_DISPLAY import -window root -depth 8 -type TrueColor "ppm:$work/$1.ppm"
  else
    remote grab "$work/$1.ppm"
  fi
}

compositor_key() {
  local code=$1 state=$2
  if [[ $COMPOSITOR_MODE == headless ]]; then
    remote key "$code" "$state"
    return
  fi
  # xdotool reads a lone digit as that digit's key: Escape (X's keycode 9)
  # goes by its name, which names one key on every keymap.
  local key=$((code + 8))
  if (( key == 9 )); then
    key=Escape
  elif (( key < 10 )); then
    fail "compositor_key: no key for code $code"
  fi
  DISPLAY=$OUTER_DISPLAY xdotool "key$state" "$key"
}

compositor_pointer() {
  if [[ $COMPOSITOR_MODE == nested ]]; then
    DISPLAY=$OUTER_DISPLAY xdotool mousemove "$1" "$2"
  else
    remote pointer "$1" "$2"
  fi
}

compositor_motion() {
  if [[ $COMPOSITOR_MODE == nested ]]; then
    DISPLAY=$OUTER_DISPLAY xdotool mousemove_relative -- "$1" "$2"
  else
    remote motion "$1" "$2"
  fi
}

stop_compositor() {
  local pid
  if [[ -n ${REMOTE_IN:-} ]]; then
    exec {REMOTE_IN}>&- {REMOTE_OUT}<&-
    REMOTE_IN= REMOTE_OUT=
  fi
  for pid in "${REMOTE_PID:-}" "${COMPOSITOR_PID:-}" "${WIREPLUMBER_PID:-}" "${PIPEWIRE_PID:-}" \
             "${COMPOSITOR_BUS_PID:-}" "${OUTER_XVFB_PID:-}"; do
    [[ -n $pid ]] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  REMOTE_PID= COMPOSITOR_PID= WIREPLUMBER_PID= PIPEWIRE_PID= COMPOSITOR_BUS_PID= OUTER_XVFB_PID= OUTER_DISPLAY=
  rm -f "$work/remote.in" "$work/remote.out"
}
