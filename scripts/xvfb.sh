# Sourced, not run: start_xvfb starts a private virtual display of
# 1024x768x24 and exports DISPLAY; stop_xvfb ends it. Used by run.sh on a
# headless machine and by the tests that need a screen.

start_xvfb() {
  # Xvfb picks a free display number itself (it takes the lock file
  # atomically) and writes it to the given descriptor once it accepts
  # clients: tests that start at the same moment can never share a server,
  # as they could when each looked for a free number on its own.
  local number_file number tries
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PID=$!
  for tries in $(seq 1 100); do
    number=$(head -n 1 "$number_file")
    if [[ -n $number ]] && DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
      rm -f "$number_file"
      export DISPLAY=":$number"
      return 0
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  stop_xvfb
  echo "could not start Xvfb" >&2
  return 1
}

stop_xvfb() {
  if [[ -n "${XVFB_PID:-}" ]]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
}
