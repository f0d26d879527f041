#!/usr/bin/env bash
# Keys as Windows delivers them: the key probe built against our Linux layer
# and the one built for Windows, run under Wine, get the same X key events on
# one virtual display, and their messages are compared row by row of the key
# table (key_table.py), as are the keys the demo's window procedure holds.
# A window manager (openbox) runs there for the table's Alt+Tab.
#
# Usage: keys_against_wine.sh LINUX_PROBE WINDOWS_PROBE SOURCE_DIR
# (WINEPREFIX set to a ready prefix that no other test uses meanwhile)
#        keys_against_wine.sh LINUX_PROBE "" SOURCE_DIR
# (the Linux probe alone: every key it holds lets go, row by row)
#
# Without the Linux build's probe (the Windows build was configured without
# LIGHTNING_LINUX_BUILD) or openbox the test is skipped (status 77), except
# on CI, which must run it; without Wine, as tests/windows/without_wine.sh
# decides.
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
command -v openbox >/dev/null || unavailable "openbox is not installed"
if [[ -n $windows_probe ]]; then
  [[ -f $windows_probe ]] || unavailable "no Windows key probe at $windows_probe"
  wine=$(command -v wine64 || command -v wine) || exec bash "$source_dir/tests/windows/without_wine.sh"
  command -v wineserver >/dev/null || unavailable "Wine's wineserver is not installed"
  # No debug output, and neither Mono nor Gecko: their installers would ask.
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
fi

work=$(mktemp -d)
other=
manager=
server=
finish() {
  local job
  for job in $other $manager; do
    kill "$job" 2>/dev/null || true
    wait "$job" 2>/dev/null || true
  done
  # Ends this prefix's server and the processes Wine started for it.
  [[ -z $server ]] || wineserver -k 2>/dev/null || true
  stop_xvfb
  rm -rf "$work"
}
source "$source_dir/scripts/xvfb.sh"
trap finish EXIT
start_xvfb

if [[ -n $windows_probe ]]; then
  # The prefix's desktop must be made on this test's display: the server of
  # a test before it ends first. Then one server for all the Wine runs of
  # the test, with no start-up in between; no other test uses the prefix
  # meanwhile.
  wineserver -w
  wineserver -p
  server=yes
fi

# A layout whose AltGr types characters on the table's keys: German, where
# "+" and "-" are keys of their own and AltGr gives "~" and an en dash.
setxkbmap de
# Held keys are held for their effect, not for repeats.
python3 "$source_dir/tests/support/autorepeat.py" off
xlogo -geometry 16x16+0-0 2>/dev/null &
other=$!
other_window=$(timeout 10 xdotool search --sync --onlyvisible --name '^xlogo$' | head -n 1) ||
  { echo "FAIL: no other window to move the focus to"; exit 1; }
# Then the window manager, which takes over the windows shown when it starts
# and lists them once it has: a window mapped while it starts up can be
# lost, never shown. It keeps what it writes in the scratch folder.
XDG_CONFIG_HOME=$work XDG_CACHE_HOME=$work XDG_DATA_HOME=$work \
  openbox --config-file "$here/openbox.xml" >"$work/openbox.log" 2>&1 &
manager=$!
for ((tries = 0; ; ++tries)); do
  xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -qw "$(printf '0x%x' "$other_window")" && break
  kill -0 "$manager" 2>/dev/null && ((tries < 300)) ||
    { echo "FAIL: openbox did not take over the other window"; cat "$work/openbox.log"; exit 1; }
  sleep 0.1
done

cd "$work"
if [[ -n $windows_probe ]]; then
  python3 "$here/key_table.py" "$linux_probe" "$wine" "$windows_probe" "$other_window"
else
  python3 "$here/key_table.py" "$linux_probe" "$other_window"
fi
