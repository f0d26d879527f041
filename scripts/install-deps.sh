#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing needs and
# that are not on this machine yet. Usage: install-deps.sh run|test
set -euo pipefail

build_packages=(g++ cmake make pkg-config libsdl2-dev libglu1-mesa-dev libgl1-mesa-dri
                libx11-dev libxrandr-dev)
# A headless machine runs the demo on a virtual display and grabs a picture.
display_packages=(xvfb xauth xdotool x11-apps x11-utils imagemagick xfonts-base)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev khronos-api python3
               clang libclang-rt-14-dev valgrind
               # cpack -G DEB and its checks
               dpkg-dev file desktop-file-utils lintian
               # a real X server that changes display modes
               xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
               # Wayland compositors, nested in a virtual display
               mutter weston xwayland dbus-x11
               # the Windows build, its GoogleTest sources and Wine to run it
               g++-mingw-w64-x86-64 googletest wine wine64)

case "${1:-run}" in
  run) wanted=("${build_packages[@]}" "${display_packages[@]}") ;;
  test) wanted=("${build_packages[@]}" "${display_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
