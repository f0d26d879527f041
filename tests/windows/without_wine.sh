#!/usr/bin/env bash
# What a test of a Windows program does where Wine is not installed: it says
# so in one line and skips (status 77). On CI (CI set) a missing
# prerequisite is a failure, to catch a missing install step, unless this
# release's archive has no Wine to install (Debian testing has none today).
# Run as the test itself, or exec'ed by a test script that finds no Wine.
set -euo pipefail
if ! command -v apt-cache >/dev/null; then
  archive="no apt to ask for it"
else
  candidate=$(apt-cache policy wine 2>/dev/null | awk '/Candidate:/ {print $2}')
  if [[ -z $candidate || $candidate == "(none)" ]]; then
    echo "SKIPPED: wine is not installed (not in this release's archive)"
    exit 77
  fi
  archive="scripts/install-deps.sh test installs it"
fi
if [[ -n ${CI:-} ]]; then
  echo "FAIL: wine is not installed ($archive)"
  exit 1
fi
echo "SKIPPED: wine is not installed ($archive)"
exit 77
