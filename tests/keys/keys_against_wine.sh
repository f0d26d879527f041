#!/usr/bin/env bash
# Keys as Windows delivers them: the key probe built against our Linux layer
# and the one built for Windows, run under Wine, get the same X key events on
# one virtual display, and their messages are compared row by row of the key
# table (key_table.py).
#
# Usage: keys_against_wine.sh LINUX_PROBE WINDOWS_PROBE SOURCE_DIR
# (WINEPREFIX set to a ready prefix that no other test uses meanwhile)
#
# Without the Linux build's probe (the Windows build was configured without
# LIGHTNING_LINUX_BUILD) the test is skipped (status 77), except on CI, which
# must run it; without Wine, as tests/windows/without_wine.sh decides.
set -euo pipefail
linux_probe=$1
windows_probe=$2
source_dir=$3
here=$(cd "$(dirname "$0")" && pwd)

unavailable() {
  if [[ -n "${CI:-}" ]]; then
    echo "FAIL: $1"
    exit 1
  fi
  echo "SKIPPED: $1"
  exit 77
}
[[ -x $linux_probe ]] ||
  unavailable "no Linux build's key probe at $linux_probe (configure with -DLIGHTNING_LINUX_BUILD=...)"
[[ -f $windows_probe ]] || unavailable "no Windows key probe at $windows_probe"
wine=$(command -v wine64 || command -v wine) || exec bash "$source_dir/tests/windows/without_wine.sh"
command -v wineserver >/dev/null || unavailable "Wine's wineserver is not installed"
# No debug output, and neither Mono nor Gecko: their installers would ask.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="

work=$(mktemp -d)
other=
server=
finish() {
  if [[ -n $other ]]; then
    kill "$other" 2>/dev/null || true
    wait "$other" 2>/dev/null || true
  fi
  # Ends this prefix's server and the processes Wine started for it.
  [[ -z $server ]] || wineserver -k 2>/dev/null || true
  stop_xvfb
  rm -rf "$work"
}
source "$source_dir/scripts/xvfb.sh"
trap finish EXIT
start_xvfb

# The prefix's desktop must be made on this test's display: the server of
# a test before it ends first. Then one server for all the Wine runs of the
# test, with no start-up in between; no other test uses the prefix meanwhile.
wineserver -w
wineserver -p
server=yes

# A layout whose AltGr types characters on the table's keys: German, where
# "+" and "-" are keys of their own and AltGr gives "~" and an en dash.
setxkbmap de
# Held keys are held for their effect, not for repeats.
python3 "$source_dir/tests/support/autorepeat.py" off
xlogo -geometry 16x16+0-0 2>/dev/null &
other=$!
other_window=$(timeout 10 xdotool search --sync --onlyvisible --name '^xlogo$' | head -n 1) ||
  { echo "FAIL: no other window to move the focus to"; exit 1; }

cd "$work"
python3 "$here/key_table.py" "$linux_probe" "$wine" "$windows_probe" "$other_window"
