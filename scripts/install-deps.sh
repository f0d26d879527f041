#!/usr/bin/env bash
# Installs the Debian packages that building, running or testing needs and
# that are not on this machine yet. Usage: install-deps.sh run|test|cross
# (cross: what scripts/cross-build.sh needs of the host).
#
# Package names are those that Debian 12, 13 and testing all have. A few
# packages serve only some tests; a release whose archive lacks one (Wine
# is not in testing today) goes on without it, and those tests say so and
# skip.
set -euo pipefail

build_packages=(g++ cmake make pkg-config libsdl2-dev libglu1-mesa-dev libgl1-mesa-dri
                libx11-dev libxrandr-dev)
# A headless machine runs the demo on a virtual display and grabs a picture.
display_packages=(xvfb xauth xdotool libxtst6 x11-apps x11-utils imagemagick xfonts-base)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev khronos-api python3
               clang libclang-rt-dev valgrind
               # cpack -G DEB and its checks
               dpkg-dev file desktop-file-utils lintian
               # a real X server that changes display modes, with and without
               # a window manager
               xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils openbox
               # Wayland compositors, nested in a virtual display; a mutter
               # that cannot nest runs headless, seen through its screen cast
               # (PipeWire, GStreamer's pipewiresrc from Python)
               mutter weston xwayland dbus-x11
               pipewire wireplumber gstreamer1.0-pipewire gir1.2-gstreamer-1.0 python3-gi)
# The Windows build, its GoogleTest sources and Wine to run it: an x86-64
# program, which Wine runs only on an x86-64 machine.
windows_packages=(g++-mingw-w64-x86-64 googletest wine wine64)
# Building for ARM boards on a PC (scripts/cross-build.sh): Debian's cross
# compilers and the emulator that runs their programs; cpack's tools.
cross_packages=(g++-aarch64-linux-gnu g++-arm-linux-gnueabihf qemu-user dpkg-dev file)
# Wanted, but a release may not have them.
optional_packages=(wine wine64)

mode=${1:-run}
case $mode in
  run) wanted=("${build_packages[@]}" "${display_packages[@]}") ;;
  test)
    wanted=("${build_packages[@]}" "${display_packages[@]}" "${test_packages[@]}")
    # test.sh's Windows and ARM passes are those of a PC.
    [[ $(uname -m) != x86_64 ]] || wanted+=("${windows_packages[@]}" "${cross_packages[@]}") ;;
  cross) wanted=("${build_packages[@]}" "${cross_packages[@]}") ;;
  *) echo "usage: $0 run|test|cross" >&2; exit 2 ;;
esac

is_optional() {
  local package
  for package in "${optional_packages[@]}"; do [[ $package == "$1" ]] && return 0; done
  return 1
}

# Whether the archive, as apt last read it, offers a package.
in_archive() {
  local candidate
  candidate=$(apt-cache policy "$1" 2>/dev/null | awk '/Candidate:/ {print $2}')
  [[ -n $candidate && $candidate != "(none)" ]]
}

find_missing() {
  missing=()
  local package status
  for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
  done
}

# Drops the optional packages that the archive lacks, saying so once.
drop_unavailable() {
  local kept=() package
  for package in "${missing[@]}"; do
    if is_optional "$package" && ! in_archive "$package"; then
      echo "Not in this release's archive: $package (the tests that need it will skip)"
    else
      kept+=("$package")
    fi
  done
  missing=("${kept[@]+"${kept[@]}"}")
}

install_missing() {
  find_missing
  [[ ${#missing[@]} -eq 0 ]] && return 0
  # Only optional packages that the archive lacks: nothing to fetch.
  local only_optional=true package
  for package in "${missing[@]}"; do
    is_optional "$package" && ! in_archive "$package" && continue
    only_optional=false
  done
  if $only_optional && [[ -n $(find /var/lib/apt/lists -name '*Packages*' -print -quit 2>/dev/null) ]]; then
    drop_unavailable
    return 0
  fi

  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  # sudo clears the environment: the setting that keeps debconf from asking
  # (keyboard-configuration would ask for a layout) goes on the command line.
  local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
  "${apt[@]}" update -qq
  drop_unavailable
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "Installing: ${missing[*]}"
  "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}

install_missing
# The ARM passes' target packages, fetched now, while there is a network.
if [[ $mode == test && $(uname -m) == x86_64 ]]; then
  for arch in arm64 armhf; do
    "$(dirname "$0")/cross-build.sh" "$arch" --prepare
  done
fi
