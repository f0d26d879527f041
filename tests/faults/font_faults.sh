#!/usr/bin/env bash
# A font bitmap that is missing or broken must not stop the demo: for each
# case the real program runs from a folder holding such a DATA/font.bmp, its
# window appears, the first frame shows the scene, and Escape ends it with
# status 0. With --blank-band the help band must also stay black where the
# font could not be read: no text, and no empty glyph boxes either.
# Usage: font_faults.sh PROGRAM SOURCE_DIR [--blank-band]
set -euo pipefail
program=$1
source_dir=$2
blank_band=${3:-}
work=$(mktemp -d)
[[ -z "${KEEP_GRABS:-}" ]] || echo "grabs kept in $work"
source "$source_dir/scripts/xvfb.sh"
source "$source_dir/tests/support/demo_session.sh"
cleanup() {
  demo_kill
  stop_xvfb
  [[ -n "${KEEP_GRABS:-}" ]] || rm -rf "$work"
}
trap cleanup EXIT
start_xvfb
export MESA_SHADER_CACHE_DISABLE=true
font=$source_dir/DATA/font.bmp
check=$source_dir/tests/display/frame_check.py

# Writes a broken font into $1/DATA/font.bmp (or leaves it out), by case.
make_case() {
  local dir=$1 name=$2
  mkdir -p "$dir/DATA"
  python3 - "$name" "$font" "$dir/DATA/font.bmp" <<'EOF'
import os, shutil, struct, sys
name, good, out = sys.argv[1:]
data = open(good, 'rb').read()


def header(width, height, bits=24, size=40):
    # A file header and an info header with nothing after them.
    info = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, 0, 0, 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 54, 0, 0, 54) + info


cases = {
    'empty': b'',
    # Cut inside the info header: the decoder must refuse it.
    'cut_in_header': data[:30],
    # Cut halfway through the pixels: corrupt, refused.
    'cut_in_pixels': data[:len(data) // 2],
    'wrong_signature': b'XY' + data[2:],
    # A version 5 info header, as many programs write: not supported.
    'v5_header': data[:14] + struct.pack('<I', 124) + data[18:],
    # 65536 x 65536 x 3 bytes cannot be described in GL's signed 32-bit sizes.
    'enormous': header(65536, 65536),
    'enormous_32bit': header(0x7FFFFFFF, 0x7FFFFFFF, bits=32),
    # Bottom-up rows marked as top-down: the picture comes out upside down,
    # its glyphs in the wrong cells.
    'negative_height': data[:22] + struct.pack('<i', -256) + data[26:],
}
if name == 'no_data_folder':
    shutil.rmtree(os.path.dirname(out))
elif name == 'no_font_file':
    pass
elif name == 'directory':
    os.mkdir(out)
else:
    open(out, 'wb').write(cases[name])
EOF
}

# name, and whether no text may show (blank) or part of it (partial).
cases=(
  no_data_folder blank
  no_font_file blank
  directory blank
  empty blank
  cut_in_header blank
  cut_in_pixels blank
  wrong_signature blank
  v5_header blank
  enormous blank
  enormous_32bit blank
  negative_height partial
)

failures=0
for ((i = 0; i < ${#cases[@]}; i += 2)); do
  name=${cases[i]} band=${cases[i + 1]}
  dir=$work/$name
  make_case "$dir" "$name"
  # Each case in a subshell of its own, so that one failure still lets the
  # others run; the subshell ends its program if it stops early.
  (
    trap demo_kill EXIT
    demo_start "$dir"
    # A bolt that happens to hug the green axis near the origin hides the
    # axis's foot from the check; a fault shows in every frame, so a frame
    # that passes is enough.
    for try in 1 2 3; do
      grab "$name"
      python3 "$check" initial "$work/$name.ppm" && break
      [[ $try -lt 3 ]] || fail "$name: the first frame's scene, in three grabs"
    done
    keys tap Escape
    demo_expect_end "Escape with font case $name" 5
    if [[ $blank_band == --blank-band && $band == blank ]]; then
      python3 "$check" blank_band "$work/$name.ppm" || fail "$name: the help band is not blank"
    fi
    echo "ok: $name: runs on and ends with status 0"
  ) || failures=$((failures + 1))
done
[[ $failures -eq 0 ]] || fail "$failures of $(( ${#cases[@]} / 2 )) font cases failed"
echo "ok: all $(( ${#cases[@]} / 2 )) font cases"
