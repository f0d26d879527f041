#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demo. On a machine without
# a display it runs the demo on a virtual one, waits for its first drawn
# frame, saves a screenshot to build/screenshot.png and ends it with Escape.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh run
cmake -S . -B build -DLIGHTNING_TESTS=OFF -DLIGHTNING_BENCH=OFF >/dev/null
cmake --build build --target lightning_app copy_data -j"$(nproc)"

# The font is found relative to the working directory: run from here.
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec ./build/lightning
fi

echo "No display found: running the demo on a virtual display (Xvfb) for a few seconds."
source scripts/xvfb.sh
source scripts/keys.sh
start_xvfb
trap stop_xvfb EXIT
export MESA_SHADER_CACHE_DISABLE=true
rm -f build/screenshot.png
./build/lightning &
demo=$!

# The help text fills the top of every drawn frame; until the first frame
# the screen is black there. A picture taken before would show nothing.
top_band_lit() {
  local brightest
  brightest=$(import -window root -crop "100%x6%+0+0" +repage png:- 2>/dev/null |
              convert png:- -format '%[fx:maxima]' info: 2>/dev/null) || return 1
  [[ -n $brightest && $brightest != 0 ]]
}
drawn=false
deadline=$((SECONDS + 15))
while ((SECONDS < deadline)) && kill -0 "$demo" 2>/dev/null; do
  if top_band_lit; then drawn=true; break; fi
  sleep 0.1
done

if $drawn; then
  # A moment more, so that the picture is a frame of the running demo.
  sleep 1
  import -window root build/screenshot.png
  keys tap Escape
  for _ in $(seq 1 50); do
    kill -0 "$demo" 2>/dev/null || break
    sleep 0.1
  done
fi
stopped=false
if kill -0 "$demo" 2>/dev/null; then
  $drawn && echo "The demo did not end on Escape; stopping it." >&2
  kill "$demo"
  stopped=true
fi
wait "$demo" && status=0 || status=$?
if ! $drawn; then
  if $stopped; then
    echo "The demo drew no frame within 15 s and was stopped; no screenshot was taken." >&2
  else
    echo "The demo ended with status $status before drawing a frame; no screenshot was taken." >&2
  fi
  exit 1
fi
echo "The demo ended with status $status. Its screen: build/screenshot.png"
exit "$status"
