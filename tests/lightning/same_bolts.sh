#!/usr/bin/env bash
# Another build draws the x86-64 Linux build's bolts bit for bit: the two
# builds' bolt digests, line by line. The Windows build's digest runs under
# Wine, an ARM build's under qemu-user.
# Usage: same_bolts.sh BUILD LINUX_BUILD_DIR DIGEST_COMMAND...
#   BUILD: the other build's name, for the messages
set -euo pipefail
build=$1
linux_digest=${2:+$2/tests/lightning/bolt_digest}
shift 2
if [[ -z $linux_digest || ! -x $linux_digest ]]; then
  echo "SKIPPED: no Linux build's bolt_digest to compare with (configure with -DLIGHTNING_LINUX_BUILD=...)"
  [[ -n ${CI:-} ]] && exit 1
  exit 77
fi
[[ $1 != wine ]] || command -v wine >/dev/null || exec bash "$(dirname "$0")/../windows/without_wine.sh"
linux=$("$linux_digest")
theirs=$("$@" | tr -d '\r')
if [[ $linux != "$theirs" ]]; then
  echo "FAIL: the $build build drew other bolts than the x86-64 Linux build (< x86-64 Linux, > $build)"
  diff <(echo "$linux") <(echo "$theirs") || true
  exit 1
fi
echo "$linux"
echo "ok: the $build build's bolts are the x86-64 Linux build's, bit for bit"
