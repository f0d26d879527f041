# Sourced, not run: a real X server whose display mode can change, for the
# tests about the mode (Xvfb has one mode). Xorg with the dummy video
# driver, its config and log in $work, on a display number it picks itself.
#
#   start_xorg_dummy [HSYNC VREFRESH]   desktop 1920x1080; the monitor's
#       ranges (kHz, Hz) decide which other modes the driver offers. The
#       default offers 1024x768 among many. Exports DISPLAY.
#   stop_xorg_dummy
#
# Where Xorg cannot start (not installed, or a non-root user whose system
# refuses it), the test ends as skipped (status 77), except on CI, which
# must run it.

start_xorg_dummy() {
  local hsync=${1:-5.0 - 1000.0} vrefresh=${2:-5.0 - 200.0} number tries
  cat >"$work/xorg.conf" <<EOF
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync $hsync
  VertRefresh $vrefresh
  Modeline "1920x1080" 148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1920x1080"
  EndSubSection
EndSection
EOF
  if ! command -v Xorg >/dev/null; then
    xorg_unavailable "Xorg is not installed (scripts/install-deps.sh test installs it)"
  fi
  # The number file exists before the server starts: the shell opens it for
  # the server only once the background job runs, which may be after the
  # first look below.
  : >"$work/xorg.display"
  # -sharevts: the server needs no console of its own.
  Xorg -displayfd 3 -config "$work/xorg.conf" -logfile "$work/Xorg.log" -nolisten tcp -noreset \
    -novtswitch -sharevts 3>"$work/xorg.display" >"$work/Xorg.out" 2>&1 &
  XORG_PID=$!
  for tries in $(seq 1 100); do
    number=$(head -n 1 "$work/xorg.display")
    if [[ -n $number ]] && DISPLAY=":$number" xrandr --current >/dev/null 2>&1; then
      export DISPLAY=":$number"
      return 0
    fi
    kill -0 "$XORG_PID" 2>/dev/null || break
    sleep 0.1
  done
  stop_xorg_dummy
  tail -n 5 "$work/Xorg.out" "$work/Xorg.log" 2>/dev/null || true
  xorg_unavailable "Xorg with the dummy driver did not start"
}

xorg_unavailable() {
  if [[ -n "${CI:-}" ]]; then
    echo "FAIL: $1"
    exit 1
  fi
  echo "SKIPPED: $1"
  exit 77
}

stop_xorg_dummy() {
  if [[ -n "${XORG_PID:-}" ]]; then
    kill "$XORG_PID" 2>/dev/null || true
    wait "$XORG_PID" 2>/dev/null || true
    XORG_PID=
  fi
}
