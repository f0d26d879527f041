#!/usr/bin/env bash
# Runs the README's two commands on a fresh Debian release, as a new user
# would: a minimal root made with debootstrap from Debian's archive, a clone
# of the commit under test inside it, ./run.sh and then ./test.sh there.
#
#   scripts/release-check.sh bookworm|trixie|forky [...]
#
# The roots are cached under build-releases/RELEASE/root and made anew when
# older than a day. Each release's whole output goes to
# build-releases/RELEASE/log; one summary line per release goes to standard
# output. The exit status is 0 when every release passed. Needs root (for
# debootstrap and chroot) and Debian's archive.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

[[ $# -gt 0 ]] || { echo "usage: $0 bookworm|trixie|forky [...]" >&2; exit 2; }
[[ $(id -u) -eq 0 ]] || { echo "$0: needs root (debootstrap, chroot)" >&2; exit 2; }

# The archive this machine's own apt uses.
archive=$(apt-get indextargets --format '$(REPO_URI)' 'Identifier: Packages' 2>/dev/null |
          grep -m1 -E '/debian/?$' || true)
archive=${archive:-http://deb.debian.org/debian}
archive=${archive%/}

if ! command -v debootstrap >/dev/null; then
  echo "Installing: debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null ||
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null; }
fi

commit=$(git -C "$repo" rev-parse HEAD)

mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  mounted=()
}
trap unmount_all EXIT

# Makes a fresh root for a release, or keeps the one made within the day.
make_root() {
  local release=$1 dir=$2 root=$2/root script=
  if [[ -f $dir/made && -n $(find "$dir/made" -mmin -1440 2>/dev/null) ]]; then return 0; fi
  # A root from an earlier run may still have something mounted inside.
  grep -o " $root/[^ ]*" /proc/mounts | sort -r | xargs -r -n1 umount -l 2>/dev/null || true
  rm -rf "$root" "$dir/made"
  mkdir -p "$dir"
  # Testing has no script of its own in older debootstraps: it is sid's.
  case $release in bookworm | trixie) ;; *) script=/usr/share/debootstrap/scripts/sid ;; esac
  debootstrap --variant=minbase "$release" "$root" "$archive" ${script:+"$script"} >"$dir/debootstrap.log" 2>&1 ||
    { echo "debootstrap failed: see $dir/debootstrap.log" >&2; return 1; }
  # The archive's testing Release file may be past its Valid-Until date.
  echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/99release-check"
  # Nothing that a package installs is started as a service in the root.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod +x "$root/usr/sbin/policy-rc.d"
  touch "$dir/made"
}

check_release() {
  local release=$1 dir=$repo/build-releases/$1 root started status run_status test_status summary
  root=$dir/root
  started=$(date +%s)
  make_root "$release" "$dir" || { echo "$release: FAILED: no root ($dir/debootstrap.log)"; return 1; }
  cp /etc/resolv.conf "$root/etc/resolv.conf"

  rm -rf "$root/src/lightning"
  mkdir -p "$root/src"
  git clone -q "$repo" "$root/src/lightning"
  git -C "$root/src/lightning" checkout -q "$commit"

  local point
  for point in proc sys dev; do
    mkdir -p "$root/$point"
    mount --rbind "/$point" "$root/$point"
    mount --make-rslave "$root/$point"
    mounted+=("$root/$point")
  done
  # A private /tmp: the X servers' lock files and sockets live there.
  mount -t tmpfs tmpfs "$root/tmp"
  mounted+=("$root/tmp")

  local inside=(chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
                LANG=C.UTF-8 CI="${CI:-}" TERM=dumb /bin/bash -c)
  local run_seconds test_seconds t0
  t0=$(date +%s)
  "${inside[@]}" 'cd /src/lightning && ./run.sh' >"$dir/log" 2>&1 && run_status=0 || run_status=$?
  run_seconds=$(($(date +%s) - t0))
  t0=$(date +%s)
  "${inside[@]}" 'cd /src/lightning && ./test.sh' >>"$dir/log" 2>&1 && test_status=0 || test_status=$?
  test_seconds=$(($(date +%s) - t0))
  unmount_all
  cp -f "$root/src/lightning/build/screenshot.png" "$dir/screenshot.png" 2>/dev/null || true

  # One count per ctest pass, as ctest prints it.
  local passes
  passes=$(grep -Eo 'tests passed, [0-9]+ tests failed out of [0-9]+' "$dir/log" |
           awk '{printf "%s%d/%d", sep, $8 - $3, $8; sep=" + "}')
  status=$((run_status || test_status))
  summary="$release: $([[ $status -eq 0 ]] && echo passed || echo FAILED)"
  summary+=" in $(($(date +%s) - started)) s; run.sh status $run_status ($run_seconds s),"
  summary+=" test.sh status $test_status ($test_seconds s; passed ${passes:-none}); log $dir/log"
  echo "$summary"
  return "$status"
}

overall=0
for release in "$@"; do
  case $release in
    bookworm | trixie | forky) check_release "$release" || overall=1 ;;
    *) echo "$release: unknown release (bookworm, trixie or forky)"; overall=1 ;;
  esac
done
exit "$overall"
