#!/usr/bin/env bash
# Makes the menu icons packaging/icons/lightning-N.png from a real frame of
# the demo. Regenerate them, after a build, from the repository root with
#
#   tools/make_icon.sh build/lightning
#
# and commit the pictures. It runs the program on a virtual display (Xvfb)
# from an empty folder, so that no help text is drawn, holds F2 for a moment
# to widen the bolt, grabs the screen with ImageMagick, crops a square around
# the bolt, thickens the one-pixel lines so that they survive the scaling and
# scales the square to each size. The bolt is new every frame: every run
# makes another picture. Needs xvfb, xdotool and imagemagick.
set -euo pipefail
program=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out=$source_dir/packaging/icons
sizes=(32 48 64 128 256)
source "$source_dir/tests/support/demo_session.sh"
demo_session_begin

mkdir "$work/empty"
demo_start "$work/empty"
keys down F2
sleep 0.3
keys up F2
sleep 0.3
grab frame
keys tap Escape
demo_expect_end Escape 10

# The bolt's bounding box, from its colour alone: WIDTHxHEIGHT+X+Y.
box=$(convert "$work/frame.png" -fill black +opaque 'rgb(255,230,255)' -format '%@' info:)
[[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "no bolt in the frame ($box)"
read -r side left top < <(awk -v w="${BASH_REMATCH[1]}" -v h="${BASH_REMATCH[2]}" \
  -v x="${BASH_REMATCH[3]}" -v y="${BASH_REMATCH[4]}" 'BEGIN {
    side = int((w > h ? w : h) * 1.1)
    left = int(x + w / 2 - side / 2); top = int(y + h / 2 - side / 2)
    if (left + side > 1024) left = 1024 - side; if (top + side > 768) top = 768 - side
    if (left < 0) left = 0; if (top < 0) top = 0
    print side, left, top }')
mkdir -p "$out"
for size in "${sizes[@]}"; do
  # Lines about one and a half pixels wide at the icon's size.
  radius=$(awk -v s="$side" -v n="$size" 'BEGIN { r = 0.75 * s / n; printf "%.1f", r < 0.5 ? 0.5 : r }')
  convert "$work/frame.png" -crop "${side}x${side}+${left}+${top}" +repage \
    -morphology Dilate "Disk:$radius" -resize "${size}x${size}" -strip "$out/lightning-$size.png"
done
echo "icons from a ${side}-pixel square at +$left+$top: $out/lightning-{$(IFS=,; echo "${sizes[*]}")}.png"
