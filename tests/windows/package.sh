#!/usr/bin/env bash
# The Windows zip: cpack -G ZIP gives lightning-<version>-win64.zip with the
# program, its font, the licences and a read-me, and the program imports
# nothing but the system's DLLs (the compiler's run-time libraries are
# linked in; OpenGL32 and GLU32 are loaded by name at run time).
# Usage: package.sh BUILD_DIR VERSION OBJDUMP
set -euo pipefail
build_dir=$1
version=$2
objdump=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$work" && cpack -G ZIP -B "$work" --config "$build_dir/CPackConfig.cmake" >/dev/null) ||
  fail "cpack -G ZIP failed"
zip=$work/lightning-$version-win64.zip
[[ -f $zip ]] || fail "no $(basename "$zip"); made: $(ls "$work")"
listed=$(cmake -E tar tf "$zip" | grep -v '/$' | sort | tr '\n' ' ')
wanted="DATA/FONT-LICENSE.txt DATA/font.bmp LICENSE.txt README.txt lightning.exe "
[[ $listed == "$wanted" ]] || fail "the zip holds: $listed; expected: $wanted"
echo "ok: $(basename "$zip") holds $wanted"

(cd "$work" && cmake -E tar xf "$zip")
headers=$("$objdump" -p "$work/lightning.exe")
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
[[ $imports == "GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL " ]] ||
  fail "lightning.exe imports $imports; expected only GDI32, KERNEL32, MSVCRT and USER32"
[[ $headers == *"(Windows CUI)"* ]] || fail "not a console program"
echo "ok: a console program importing only $imports"
