#!/usr/bin/env bash
# The X server going away while the demo runs (the session ends, the server
# crashes): the program must end by itself within a few seconds with a
# failure status, not keep running without a screen.
# Usage: display_lost.sh PROGRAM SOURCE_DIR
set -euo pipefail
program=$1
source_dir=$2
source "$source_dir/tests/support/demo_session.sh"
demo_session_begin

demo_start "$source_dir" 2>"$work/stderr"
stop_xvfb
lost=$(now)
for ((waited = 0; waited < 100; ++waited)); do
  kill -0 "$demo" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$demo" 2>/dev/null; then
  state=$(ps -o stat=,pcpu= -p "$demo" || true)
  fail "still running 10 s after its X server went away (state and CPU: $state)"
fi
status=0
wait "$demo" || status=$?
demo=
echo "status $status $(elapsed "$lost" "$(now)") s after the X server went away; standard error:"
sed 's/^/  | /' "$work/stderr"
[[ $status -ne 0 && $status -lt 128 ]] || fail "status $status, expected a failure status without a signal"
echo "ok: the program gave up with status $status"
