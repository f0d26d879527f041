#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demo. On a machine without
# a display it runs the demo on a virtual one for a few seconds and saves a
# screenshot to build/screenshot.png instead.
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
./build/lightning &
demo=$!
xdotool search --sync --onlyvisible --name '^OpenGL$' >/dev/null 2>&1 &
finder=$!
( sleep 15; kill "$finder" 2>/dev/null ) &
wait "$finder" 2>/dev/null || true
sleep 3
import -window root build/screenshot.png
keys tap Escape
for _ in $(seq 1 50); do
  kill -0 "$demo" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$demo" 2>/dev/null; then
  echo "The demo did not end on Escape; stopping it." >&2
  kill "$demo"
fi
wait "$demo" && status=0 || status=$?
echo "The demo ended with status $status. Its screen: build/screenshot.png"
exit "$status"
