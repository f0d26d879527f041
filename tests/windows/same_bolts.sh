#!/usr/bin/env bash
# The Windows build draws the Linux build's bolts bit for bit: the two
# builds' bolt digests, line by line.
# Usage: same_bolts.sh WINDOWS_BOLT_DIGEST LINUX_BUILD_DIR
set -euo pipefail
windows_digest=$1
linux_digest=${2:+$2/tests/lightning/bolt_digest}
if [[ -z $linux_digest || ! -x $linux_digest ]]; then
  echo "SKIPPED: no Linux build's bolt_digest to compare with (configure with -DLIGHTNING_LINUX_BUILD=...)"
  [[ -n ${CI:-} ]] && exit 1
  exit 77
fi
command -v wine >/dev/null || exec bash "$(dirname "$0")/without_wine.sh"
linux=$("$linux_digest")
windows=$(wine "$windows_digest" | tr -d '\r')
if [[ $linux != "$windows" ]]; then
  echo "FAIL: the builds drew different bolts"
  diff <(echo "$linux") <(echo "$windows") || true
  exit 1
fi
echo "$linux"
echo "ok: the Windows build's bolts are the Linux build's, bit for bit"
