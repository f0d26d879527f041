#!/usr/bin/env bash
# Runs the README's two commands on a fresh Debian release, as a new user
# would: a minimal root made with debootstrap from Debian's archive, a clone
# of the commit under test inside it, ./run.sh and then ./test.sh there.
#
#   scripts/release-check.sh bookworm|trixie|forky [...]
#
# The roots are cached under build-releases/RELEASE/root and made anew when
# older than a day. Each release's whole output goes to
# build-releases/RELEASE/log, each line with the time it was written; one
# summary line per release goes to standard output: the status of both
# commands, and for each of test.sh's passes the tests passed, failed and
# skipped, and its time; then "releases: N passed, N failed". The exit
# status is 0 when every release passed.
# Needs root (debootstrap, chroot, mounts, network namespaces) and Debian's
# archive.
#
# The releases are checked side by side, each in a root and a network
# namespace of its own, but only one runs test.sh at a time. Their packages
# are installed first, with the network, by the same script that the two
# commands start with; the two commands then run without a network, so that
# the X servers that the tests start (whose abstract sockets belong to a
# network namespace) can never meet the host's or each other's. They find
# nothing left to install.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

[[ $# -gt 0 ]] || { echo "usage: $0 bookworm|trixie|forky [...]" >&2; exit 2; }
[[ $(id -u) -eq 0 ]] || { echo "$0: needs root (debootstrap, chroot)" >&2; exit 2; }
for release in "$@"; do
  case $release in
    bookworm | trixie | forky) ;;
    *) echo "$release: unknown release (bookworm, trixie or forky)" >&2; exit 2 ;;
  esac
done
# Mount points are compared as /proc/self/mountinfo writes them, which
# escapes blanks and backslashes: a plain path keeps that comparison exact.
[[ $repo =~ ^[A-Za-z0-9_./+-]+$ ]] ||
  { echo "$0: the repository's path must be plain (letters, digits, _ . / + -): $repo" >&2; exit 2; }

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

# What is mounted at or below a path, the deepest first.
mounts_under() {
  awk -v path="$1" '$5 == path || index($5, path "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r
}

# Ends the processes that still run inside a root (an X server, Wine's
# server, a message bus left by a test, or everything, when interrupted).
end_processes_in() {
  local root=$1 pid pids=() tries alive
  # One look at every process's root (a plain path is its own pattern).
  pids=($(find /proc -mindepth 2 -maxdepth 2 -name root -lname "$root" 2>/dev/null | cut -d/ -f3))
  ((${#pids[@]})) || return 0
  kill -TERM "${pids[@]}" 2>/dev/null || true
  for tries in $(seq 1 20); do
    alive=0
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    ((alive)) || return 0
    sleep 0.1
  done
  kill -KILL "${pids[@]}" 2>/dev/null || true
}

# Undoes every mount at or below a root: the processes inside go first, then
# each mount is detached (lazily, as a process may hold a file open), the
# deepest first. Fails if anything is still mounted there.
release_root() {
  local root=$1 point
  end_processes_in "$root"
  while read -r point; do
    [[ -n $point ]] && umount -l "$point" 2>/dev/null || true
  done < <(mounts_under "$root")
  if [[ -n $(mounts_under "$root") ]]; then
    echo "still mounted under $root:" $(mounts_under "$root") >&2
    return 1
  fi
}

# Removes a tree, never through a mount: with anything mounted below it (a
# bind mount of the host's /dev, say) it refuses, and rm stays on the
# tree's own file system whatever happens meanwhile.
remove_tree() {
  local path=$1
  release_root "$path" || { echo "not removing $path: something is mounted below it" >&2; return 1; }
  rm -rf --one-file-system "$path"
}

# Each release is checked by a background job in a process group of its
# own (job control), so that an interrupted check ends all of it before its
# roots are released: a job left running could mount again.
set -m
jobs=() roots=()
cleanup() {
  local pid root
  for pid in "${jobs[@]+"${jobs[@]}"}"; do kill -TERM -- "-$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  for root in "${roots[@]+"${roots[@]}"}"; do release_root "$root" || true; done
}
trap cleanup EXIT
# A signal ends the script at once (also while it waits for the jobs), and
# the EXIT trap runs.
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Runs a command inside a root, with its host's /proc, /sys and /dev and a
# private /tmp (where X servers keep their lock files and Unix sockets).
# NETWORK=no runs it in a network namespace of its own. With SERIAL set to a
# lock file, it runs only while no other command holding that lock runs.
inside() {
  local root=$1 network=$2 point
  shift 2
  # Called where a failure is handled (set -e does not act): every step
  # checks its own.
  release_root "$root" || return 1
  for point in proc sys dev; do
    mkdir -p "$root/$point" && mount --rbind "/$point" "$root/$point" && mount --make-rslave "$root/$point" ||
      { release_root "$root"; return 1; }
  done
  mount -t tmpfs tmpfs "$root/tmp" || { release_root "$root"; return 1; }
  local run=(chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
             LANG=C.UTF-8 CI="${CI:-}" TERM=dumb /bin/bash -c "$*")
  [[ $network == yes ]] || run=(unshare --net "${run[@]}")
  # Waits for the lock held while another release runs its tests; the
  # processes of the command do not hold it.
  [[ -z ${SERIAL:-} ]] || run=(flock --close "$SERIAL" "${run[@]}")
  local status=0
  "${run[@]}" || status=$?
  release_root "$root"
  return "$status"
}

# Makes a fresh root for a release, or keeps the one made within the day.
make_root() {
  local release=$1 dir=$2 root=$2/root script=
  if [[ -f $dir/made && -n $(find "$dir/made" -mmin -1440 2>/dev/null) ]]; then
    echo "root made $(date -r "$dir/made" '+%F %T'), kept"
    return 0
  fi
  rm -f "$dir/made"
  remove_tree "$root"
  # Testing has no script of its own in older debootstraps: it is sid's.
  case $release in bookworm | trixie) ;; *) script=/usr/share/debootstrap/scripts/sid ;; esac
  echo "debootstrap $release from $archive"
  debootstrap --variant=minbase "$release" "$root" "$archive" ${script:+"$script"} ||
    { echo "debootstrap failed"; return 1; }
  # The archive's testing Release file may be past its Valid-Until date.
  echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/99release-check"
  # The root is thrown away, never booted: dpkg need not sync every file it
  # unpacks to the disk (Debian's own build roots run dpkg so too).
  # Nobody reads its manuals either: a fifth of the files a package brings,
  # and man-db's index, rebuilt after every install.
  printf '%s\n' force-unsafe-io 'path-exclude /usr/share/doc/*' 'path-exclude /usr/share/man/*' \
    'path-exclude /usr/share/info/*' >"$root/etc/dpkg/dpkg.cfg.d/99release-check"
  echo 'man-db man-db/auto-update boolean false' | chroot "$root" debconf-set-selections
  # Nothing that a package installs is started as a service in the root.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod +x "$root/usr/sbin/policy-rc.d"
  touch "$dir/made"
}

# Everything of one release, its output (timed lines) to its log. Ends with
# the status of run.sh and of test.sh in $dir/status.
check_release() {
  local release=$1 dir=$repo/build-releases/$1 root
  root=$dir/root
  echo "== release $release, commit $commit"
  make_root "$release" "$dir" || { echo "no root"; return 1; }
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  remove_tree "$root/src/lightning"
  mkdir -p "$root/src"
  git clone -q "$repo" "$root/src/lightning"
  git -C "$root/src/lightning" checkout -q "$commit"

  local run_status=0 test_status=0
  echo "== install for run.sh"
  inside "$root" yes 'cd /src/lightning && scripts/install-deps.sh run' || run_status=$?
  echo "== run.sh"
  ((run_status)) || inside "$root" no 'cd /src/lightning && ./run.sh' || run_status=$?
  cp -f "$root/src/lightning/build/screenshot.png" "$dir/screenshot.png" 2>/dev/null || true
  echo "== install for test.sh"
  inside "$root" yes 'cd /src/lightning && scripts/install-deps.sh test' || test_status=$?
  # One release's tests at a time: those that wait for a window or a frame
  # keep their margins as on a machine of their own, while the next
  # release's root is made and its packages installed meanwhile.
  echo "== queued for test.sh"
  ((test_status)) || SERIAL=$repo/build-releases/tests.lock \
    inside "$root" no 'echo "== test.sh"; cd /src/lightning && ./test.sh' || test_status=$?
  echo "== end: run.sh status $run_status, test.sh status $test_status"
  echo "$run_status $test_status" >"$dir/status"
}

# Prefixes each line with the time, as HH:MM:SS.
stamp() {
  local line
  while IFS= read -r line; do printf '%(%T)T %s\n' -1 "$line"; done
}

# The summary line of a release from its log: the markers above, and
# test.sh's own ("== ordinary build" and so on) between "== test.sh" and
# "== end:", each pass closed by ctest's summary and its list of skipped
# tests.
summarise() {
  local release=$1 dir=$repo/build-releases/$1 run_status=none test_status=none
  [[ -f $dir/status ]] && read -r run_status test_status <"$dir/status"
  awk -v release="$release" -v run="$run_status" -v test="$test_status" -v logfile="$dir/log" '
    function at(t,  p) { split(t, p, ":"); p[0] = p[1] * 3600 + p[2] * 60 + p[3] - first
                         return p[0] < 0 ? p[0] + 86400 : p[0] }
    function close_pass() {
      if (pass == "") return
      counts = all == "" ? "no ctest summary" : all - failed - skipped " passed, " failed " failed, " skipped " skipped"
      passes = passes (passes == "" ? "" : "; ") pass ": " counts ", " at($1) - begun " s"
      pass = ""
    }
    NR == 1 { split($1, p, ":"); first = p[1] * 3600 + p[2] * 60 + p[3] }
    { now = at($1) }
    $2 != "==" && pass != "" && / tests passed, [0-9]+ tests failed out of [0-9]+$/ {
      failed = $(NF - 5); all = $NF; skipped = 0
    }
    $2 != "==" && pass != "" && / \(Skipped\)$/ { skipped++ }
    $2 != "==" { next }
    $3 == "run.sh" { run_begun = now }
    $3 == "install" && $5 == "test.sh" { run_time = now - run_begun }
    $3 == "test.sh" { test_begun = now; testing = 1; next }
    $3 == "end:" { close_pass(); test_time = now - test_begun; testing = 0; next }
    testing { close_pass(); pass = $3; begun = now; all = "" }
    END {
      ok = run == "0" && test == "0"
      printf "%s: %s in %d s; run.sh status %s (%d s), test.sh status %s (%d s; %s); log %s\n",
        release, ok ? "passed" : "FAILED", now, run, run_time, test, test_time,
        passes == "" ? "no passes" : passes, logfile
    }' "$dir/log"
}

mkdir -p build-releases
# One check at a time: another one's jobs would share the roots.
exec {lock}>build-releases/lock
flock -n "$lock" || { echo "$0: another release check is running (build-releases/lock)" >&2; exit 2; }

for release in "$@"; do
  mkdir -p "build-releases/$release"
  rm -f "build-releases/$release/status"
  roots+=("$repo/build-releases/$release/root")
  (check_release "$release" 2>&1 | stamp >"build-releases/$release/log") &
  jobs+=($!)
done

passed=0 failed=0
releases=("$@")
for i in "${!jobs[@]}"; do
  wait "${jobs[i]}" || true
  summarise "${releases[i]}"
  if [[ $(cat "build-releases/${releases[i]}/status" 2>/dev/null) == "0 0" ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
echo "releases: $passed passed, $failed failed"
((failed == 0))
