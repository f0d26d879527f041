#!/usr/bin/env bash
# The program installed into a scratch DESTDIR, started through a relative
# symbolic link to its launcher from an unrelated folder: it finds its font
# (the help text shows) and ends on Escape with status 0. The menu entry is
# valid; the Debian package, labelled with its program's architecture,
# holds what the install holds, depends on the
# packages that provide SDL2, libGL and libGLU, and lintian finds no error.
# Usage: installed.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build_dir=$1
source_dir=$2
source "$source_dir/tests/support/demo_session.sh"
demo_session_begin

root=$work/root
DESTDIR=$root cmake --install "$build_dir" --prefix /usr >/dev/null
desktop-file-validate "$root/usr/share/applications/lightning.desktop" || fail "the desktop entry"
echo "ok: the desktop entry is valid"

if [[ ${LIGHTNING_TEST_BED:-} == emulated ]]; then
  echo "skipped: the installed program under an emulator: its launcher starts the target's program, which only the emulator runs here"
else
  mkdir -p "$work/elsewhere/bin"
  ln -s ../../root/usr/bin/lightning "$work/elsewhere/bin/lightning"
  program=$work/elsewhere/bin/lightning
  demo_start "$work"
  grab installed
  python3 "$source_dir/tests/display/frame_check.py" overlay "$work/installed.ppm" || fail "the help text"
  echo "ok: the installed program shows its help text"
  keys tap Escape
  demo_expect_end Escape 10
fi

(cd "$build_dir" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(echo "$work"/package/lightning_*.deb)
diff <(cd "$root" && find . ! -type d | sort) <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort) ||
  fail "the package's files differ from the install's (< install, > package)"
# For the program's own architecture: a cross build's package was once
# labelled with the host's.
machine=$(readelf -h "$root/usr/libexec/lightning/lightning" | sed -n 's/^ *Machine: *//p')
architecture=$(dpkg-deb -f "$deb" Architecture)
case $architecture:$machine in
  amd64:*X86-64 | arm64:AArch64 | armhf:ARM) ;;
  *) fail "the package is for $architecture, its program for $machine" ;;
esac
# The providers as the target's packages say: a cross build's sysroot has
# a dpkg database of its own (scripts/cross-build.sh).
sysroot=$(sed -n 's/^LIGHTNING_SYSROOT:PATH=//p' "$build_dir/CMakeCache.txt")
admin=()
[[ -z $sysroot ]] || admin=(--admindir="$sysroot/var/lib/dpkg")
depends=$(dpkg-deb -f "$deb" Depends)
for library in libSDL2-2.0.so.0 libGL.so.1 libGLU.so.1; do
  provider=$(dpkg-query "${admin[@]}" -S "*/$library" | head -n 1 | cut -d: -f1)
  [[ ", $depends," == *[\ \|]"$provider"[\ ,]* ]] || fail "$library: $provider is not in Depends: $depends"
done
echo "ok: the $architecture package holds the install's files; Depends: $depends"
lintian "$deb" || fail "lintian reports errors"
echo "ok: lintian finds no error"
