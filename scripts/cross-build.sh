#!/usr/bin/env bash
# Builds the Linux program and its tests for an ARM board (the Raspberry
# Pi's processors) on a Debian PC:
#
#   scripts/cross-build.sh arm64|armhf [--prepare] [CMAKE_ARGUMENTS...]
#
# 1. installs Debian's cross compiler and qemu-user, both host packages;
# 2. unpacks the target's own Debian packages (SDL2, Xlib, GoogleTest,
#    Mesa's libGL, libGLU and drivers, with every dependency) into
#    build-ARCH/sysroot, with a dpkg database of their own there, so that
#    nothing of the host's is installed, replaced or removed;
# 3. configures build-ARCH/ with cmake/aarch64-linux-gnu.cmake or
#    cmake/arm-linux-gnueabihf.cmake and builds it.
#
# --prepare stops after step 2: scripts/install-deps.sh test runs it while
# it has the network. The build's programs and tests run under qemu-user
# with the sysroot as their root (CMAKE_CROSSCOMPILING_EMULATOR), e.g.
#   ctest --test-dir build-arm64
#   qemu-aarch64 -L build-arm64/sysroot build-arm64/lightning
# and (cd build-arm64 && cpack -G DEB) makes lightning_1.0.0_arm64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: $0 arm64|armhf [--prepare] [CMAKE_ARGUMENTS...]" >&2; exit 2; }
arch=${1:-}
shift || usage
case $arch in
  arm64) triple=aarch64-linux-gnu ;;
  armhf) triple=arm-linux-gnueabihf ;;
  *) usage ;;
esac
prepare_only=false
if [[ ${1:-} == --prepare ]]; then
  prepare_only=true
  shift
fi

build=$PWD/build-$arch
sysroot=$build/sysroot
scripts/install-deps.sh cross

# What the build links and the tests run: the program's libraries with
# their headers, GoogleTest, and libGL with Mesa's drivers, which the
# program loads by name. Names that Debian 12, 13 and testing all have.
target_packages=(libc6-dev libstdc++6 libsdl2-dev libx11-dev libxrandr-dev libgtest-dev libgmock-dev
                 libgl1 libglx-mesa0 libgl1-mesa-dri libglu1-mesa)
# The sysroot is made again when the list changes, the release, or the
# way it is made (the number).
stamp="3 $(. /etc/os-release && echo "${VERSION_CODENAME:-unknown}") ${target_packages[*]}"
if [[ -f $sysroot/.packages && $(<"$sysroot/.packages") == "$stamp" ]]; then
  echo "sysroot for $arch: up to date ($sysroot)"
else
  echo "sysroot for $arch: fetching the target's packages"
  # apt of our own: the host's sources and settings, the target's
  # architecture alone, and an empty status, so that every dependency is
  # resolved into the sysroot and none is taken from the host.
  apt=$build/apt
  rm -rf "$apt" "$sysroot"
  mkdir -p "$apt/state/lists/partial" "$apt/cache/archives/partial" "$apt/debs" "$sysroot"
  : >"$apt/state/status"
  cat >"$apt/apt.conf" <<EOF
APT::Architecture "$arch";
APT::Architectures { "$arch"; };
Dir::State "$apt/state";
Dir::State::status "$apt/state/status";
Dir::Cache "$apt/cache";
Acquire::IndexTargets::deb-src::Sources::DefaultEnabled "false";
Acquire::Languages "none";
APT::Sandbox::User "root";
EOF
  export APT_CONFIG=$apt/apt.conf
  apt-get update -qq
  mapfile -t packages < <(apt-get -s install --no-install-recommends "${target_packages[@]}" |
                            awk '$1 == "Inst" { print $2 }')
  ((${#packages[@]})) || { echo "no $arch packages resolved for: ${target_packages[*]}" >&2; exit 1; }
  (cd "$apt/debs" && apt-get download -qq "${packages[@]}")

  # Unpacked as dpkg would, with a database that knows their files, so that
  # dpkg-shlibdeps finds each library's package and its symbols (see
  # cmake/debian-cross.cmake). The lists name the files where they lie.
  admin=$sysroot/var/lib/dpkg
  mkdir -p "$admin/info" "$admin/updates"
  echo 1 >"$admin/info/format"  # files named package:arch for Multi-Arch: same
  for deb in "$apt"/debs/*.deb; do
    dpkg-deb -x "$deb" "$sysroot"
    package=$(dpkg-deb -f "$deb" Package)
    [[ $(dpkg-deb -f "$deb" Multi-Arch) != same ]] || package+=":$arch"
    control=$apt/control/$package
    mkdir -p "$control"
    dpkg-deb -e "$deb" "$control"
    for file in shlibs symbols; do
      [[ ! -f $control/$file ]] || cp "$control/$file" "$admin/info/$package.$file"
    done
    dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' -e '/^$/d' -e "s|^|$sysroot|" \
      >"$admin/info/$package.list"
    { sed '/^$/d' "$control/control"; echo "Status: install ok installed"; echo; } >>"$admin/status"
  done
  # Debian 13 and later ship their files under /usr alone and leave /lib,
  # /bin and /sbin to links that base-files makes when it is installed,
  # not unpacked: the programs' loader is looked for in /lib.
  for top in bin lib sbin; do
    [[ -e $sysroot/$top || ! -d $sysroot/usr/$top ]] || ln -s "usr/$top" "$sysroot/$top"
  done
  # Absolute links point into the host: make them point into the sysroot.
  while IFS= read -r -d '' link; do
    target=$(readlink "$link")
    ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$sysroot$target")" "$link"
  done < <(find "$sysroot" -type l -lname '/*' -print0)
  rm -rf "$apt/debs" "$apt/control"
  echo "$stamp" >"$sysroot/.packages"
  echo "sysroot for $arch: ${#packages[@]} packages in $sysroot"
fi
$prepare_only && exit 0

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$triple.cmake" -DLIGHTNING_SYSROOT="$sysroot" "$@"
nice cmake --build "$build" -j"$(nproc)"
