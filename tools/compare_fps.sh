#!/usr/bin/env bash
# Frames per second of builds of the program, measured alternately on one
# virtual display so that the load of the machine falls on all of them
# alike: in each of ROUNDS rounds every program runs SECONDS s in turn, with
# the frame meter; then each program's medians, frames per second and
# processor time per frame, and their ratios to the first program's.
# Run from the repository root (the programs read DATA/font.bmp there):
#   tools/compare_fps.sh [-d DETAIL] [-s SECONDS] [-r ROUNDS] PROGRAM...
# A PROGRAM ending in .exe is the Windows build: it runs under Wine (with
# WINEPREFIX as set), which counts its frames itself (its fps debug
# channel, once a second); its processor time is not measured.
# DETAIL (default 10) is set by typing "+" or "-" once the window has the
# focus; the first 3 s of each run are left out of its rate.
set -euo pipefail
detail=10 seconds=8 rounds=5
while getopts d:s:r: option; do
  case $option in
    d) detail=$OPTARG ;;
    s) seconds=$OPTARG ;;
    r) rounds=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
(($# > 0)) || { echo "usage: $0 [-d DETAIL] [-s SECONDS] [-r ROUNDS] PROGRAM..." >&2; exit 2; }
programs=("$@")

work=$(mktemp -d)
source scripts/xvfb.sh
source scripts/keys.sh
trap 'stop_xvfb; rm -rf "$work"' EXIT
start_xvfb
export MESA_SHADER_CACHE_DISABLE=true
gcc -shared -fPIC -O2 -o "$work/frame_meter.so" tools/frame_meter.c -ldl
if ((detail >= 10)); then keys=$(printf '+%.0s' $(seq $((detail - 10)) 2>/dev/null)); else keys=$(printf -- '-%.0s' $(seq $((10 - detail)))); fi

for ((round = 1; round <= rounds; ++round)); do
  for i in "${!programs[@]}"; do
    windows=
    if [[ ${programs[$i]} == *.exe ]]; then
      windows=yes
      WINEDEBUG=fps wine "${programs[$i]}" 2>"$work/stderr" &
    else
      FRAME_METER_SKIP=3 LD_PRELOAD="$work/frame_meter.so" "${programs[$i]}" 2>"$work/stderr" &
    fi
    pid=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name '^OpenGL$' | head -n 1)
    # Wine keeps the focus itself and leaves X's on the pointer root.
    for _ in $(seq 80); do
      [[ -n $windows || $(xdotool getwindowfocus 2>/dev/null) == "$window" ]] && break
      sleep 0.25
    done
    # Characters typed before the program's first frame can be lost.
    sleep 1
    [[ -n $keys ]] && type_keys --delay 20 "$keys"
    sleep "$seconds"
    kill -TERM "$pid"
    wait "$pid" || true
    if [[ -n $windows ]]; then
      # The mean of the per-second rates after the first three seconds.
      rate=$(sed -n 's/.*trace:fps:.* @ approx \([0-9.]*\)fps.*/\1/p' "$work/stderr" |
               awk 'NR > 3 { sum += $1; n++ } END { if (n) printf "%.1f", sum / n }')
      cpu=
    else
      rate=$(sed -n 's/^frame meter: .*; \([0-9.]*\) frames\/s; .*/\1/p' "$work/stderr")
      cpu=$(sed -n 's/^frame meter: .*; \([0-9.]*\) ms of processor time a frame$/\1/p' "$work/stderr")
    fi
    echo "round $round: ${programs[$i]}: ${rate:-no rate} frames/s, ${cpu:-?} ms of processor time a frame"
    echo "${rate:-0}" >>"$work/rates.$i"
    [[ -z $cpu ]] || echo "$cpu" >>"$work/cpu.$i"
  done
done

median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
first= firstCpu=
for i in "${!programs[@]}"; do
  rate=$(median "$work/rates.$i")
  first=${first:-$rate}
  printf '%-36s median %7.1f frames/s (%5.2f x the first)' \
    "${programs[$i]}" "$rate" "$(awk -v a="$rate" -v b="$first" 'BEGIN { print a / b }')"
  if [[ -s $work/cpu.$i ]]; then
    cpu=$(median "$work/cpu.$i")
    firstCpu=${firstCpu:-$cpu}
    printf ', %6.2f ms of processor time a frame (%5.2f x)' "$cpu" \
      "$(awk -v a="$cpu" -v b="$firstCpu" 'BEGIN { print a / b }')"
  fi
  echo
done
