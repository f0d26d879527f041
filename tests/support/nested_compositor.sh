# Sourced, not run: a Wayland compositor nested in a virtual X display of
# its own, for the tests of the demo on Wayland desktops. The outer Xvfb
# (1920x1080) shows the compositor's output; keys sent to it with xdotool
# reach the compositor's focused client, and a grab of its screen is what
# the compositor shows. Everything lives in $work: the runtime folder, a
# home for the compositor, logs.
#
#   start_compositor mutter|weston   exports for the compositor's clients
#       WAYLAND_DISPLAY, DISPLAY (its Xwayland), XAUTHORITY (mutter's),
#       XDG_RUNTIME_DIR and a private DBUS_SESSION_BUS_ADDRESS; and
#       OUTER_DISPLAY, the display to send keys to and grab.
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

start_compositor() {
  local name=$1 number tries socket=lightning-test
  command -v "$name" >/dev/null && command -v Xwayland >/dev/null && command -v dbus-launch >/dev/null ||
    compositor_unavailable "$name, Xwayland or dbus-launch is not installed (scripts/install-deps.sh test installs them)"

  # The files the background jobs write exist before the jobs run: the
  # shell opens them only once a job starts, which may be after the first
  # look at them.
  : >"$work/outer.display"
  : >"$work/compositor.log"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/outer.display" >/dev/null 2>&1 &
  OUTER_XVFB_PID=$!
  for tries in $(seq 1 100); do
    number=$(head -n 1 "$work/outer.display")
    [[ -n $number ]] && DISPLAY=":$number" xdpyinfo >/dev/null 2>&1 && break
    number=
    sleep 0.1
  done
  [[ -n $number ]] || compositor_unavailable "the outer Xvfb did not start"
  export OUTER_DISPLAY=":$number"

  # The session's own runtime folder, home and message bus: nothing of it
  # reaches the user's, and nothing is left behind.
  export XDG_RUNTIME_DIR=$work/runtime
  unset XAUTHORITY
  mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$work/home"
  eval "$(DISPLAY=$OUTER_DISPLAY dbus-launch --sh-syntax)"
  COMPOSITOR_BUS_PID=$DBUS_SESSION_BUS_PID
  export DBUS_SESSION_BUS_ADDRESS
  local environment=(env DISPLAY="$OUTER_DISPLAY" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
                     XDG_CACHE_HOME="$work/home/.cache" XDG_DATA_HOME="$work/home/.local/share"
                     MESA_SHADER_CACHE_DISABLE=true)
  case $name in
    mutter)
      "${environment[@]}" MUTTER_DEBUG_DUMMY_MODE_SPECS=1920x1080 \
        mutter --nested --wayland --wayland-display="$socket" >"$work/compositor.log" 2>&1 &
      COMPOSITOR_PID=$!
      number=$(compositor_log_says "$work/compositor.log" 's/.*Using public X11 display :\([0-9]*\).*/\1/p') ||
        compositor_unavailable "mutter did not start: $(tail -n 3 "$work/compositor.log")"
      export XAUTHORITY
      XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -n 1) ;;
    weston)
      # A coloured desktop, so that a window the desktop shows through is
      # not taken for a black one; no panel over the output.
      printf '[shell]\nbackground-color=0xff2060a0\npanel-position=none\n' >"$work/weston.ini"
      "${environment[@]}" weston --backend=x11-backend.so --xwayland --width=1920 --height=1080 \
        --socket="$socket" --config="$work/weston.ini" >"$work/compositor.log" 2>&1 &
      COMPOSITOR_PID=$!
      number=$(compositor_log_says "$work/compositor.log" 's/.*xserver listening on display :\([0-9]*\).*/\1/p') ||
        compositor_unavailable "weston did not start: $(tail -n 3 "$work/compositor.log")" ;;
    *) echo "start_compositor: no compositor $name" >&2; exit 2 ;;
  esac
  export WAYLAND_DISPLAY=$socket DISPLAY=":$number"
  # Xwayland may start only when the first client comes: this is the first.
  for tries in $(seq 1 200); do
    [[ -S $XDG_RUNTIME_DIR/$socket ]] && xdpyinfo >/dev/null 2>&1 && return 0
    kill -0 "$COMPOSITOR_PID" 2>/dev/null || break
    sleep 0.1
  done
  compositor_unavailable "$name's Xwayland did not answer on $DISPLAY: $(tail -n 3 "$work/compositor.log")"
}

stop_compositor() {
  local pid
  for pid in "${COMPOSITOR_PID:-}" "${COMPOSITOR_BUS_PID:-}" "${OUTER_XVFB_PID:-}"; do
    [[ -n $pid ]] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  COMPOSITOR_PID= COMPOSITOR_BUS_PID= OUTER_XVFB_PID=
}
