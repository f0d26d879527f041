#!/usr/bin/env bash
# The real program under Memcheck on a virtual screen: a freeze with Space,
# detail up and down, the arrows and F2, then Escape. Fails on any invalid
# access or use of undefined memory and on any definite or indirect leak that
# system.supp does not explain (it explains only the system loader's and the
# graphics drivers' own reports).
# Usage: valgrind_run.sh PROGRAM SOURCE_DIR
#
# Under valgrind the software renderer compiles its shaders slowly: the
# window takes 10 to 30 s to appear and the teardown with the leak check
# another 10 to 30 s, hence the long waits.
set -euo pipefail
program=$1
source_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$source_dir/tests/support/demo_session.sh"
demo_session_begin

readonly error_status=97
log=$work/memcheck.log
launcher=(valgrind --tool=memcheck --leak-check=full
          --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect
          --error-exitcode=$error_status --suppressions="$here/system.supp"
          --keep-debuginfo=yes --num-callers=50 --child-silent-after-fork=yes
          --fullpath-after="$source_dir/"
          --log-file="$log")

started=$(now)
WINDOW_TIMEOUT=120 demo_start "$source_dir" "${launcher[@]}"
echo "first frame after $(elapsed "$started" "$(now)") s under valgrind"

# Held keys are held to see their effect, not to queue repeats that a slow
# frame loop would take long to work through.
python3 "$source_dir/tests/support/autorepeat.py" off

# The first frames under valgrind take seconds each: the bolt must be seen
# moving before the keys mean anything.
wait_for_bolt live 60
echo "ok: frames are drawn under valgrind"

# Space records the bolt into a display list; releasing it deletes the list.
keys down space
wait_for_bolt frozen 60
keys up space
wait_for_bolt live 60
echo "ok: Space froze one bolt and released it"

# Detail up twice and down once, a turn and a change of scatter: the paths
# that format new values and make bolts of another size.
type_keys --delay 200 '++-'
keys down Left
sleep 0.5
keys up Left
keys down F2
sleep 0.5
keys up F2
sleep 3

keys tap Escape
status=0
waited=0
while kill -0 "$demo" 2>/dev/null; do
  (( waited++ < 1800 )) || fail "the program did not end within 180 s after Escape"
  sleep 0.1
done
wait "$demo" || status=$?
demo=
echo "ended $(elapsed "$started" "$(now)") s after the start, status $status"

# What valgrind found, also when it found nothing.
grep -E 'ERROR SUMMARY|definitely lost:|indirectly lost:|possibly lost:|suppressed:' "$log" |
  sed 's/^==[0-9]*== */valgrind: /'
if [[ $status -eq $error_status ]]; then
  echo "--- unexplained reports (frames in our code are marked <<<):"
  awk '/^==[0-9]+== (Invalid|Conditional|Use of|Syscall param|Mismatched|[0-9,]+ .*bytes in .* (definitely|indirectly) lost)/ { show = 1 }
       /^==[0-9]+== *$/ { if (show) print ""; show = 0 }
       show { mark = ($0 ~ /\((demo|lightning|imaging|text|glbinding|platform)\//) ? "   <<<" : ""; print $0 mark }' "$log"
  fail "valgrind reported errors or leaks that are not the system's (log above)"
fi
[[ $status -eq 0 ]] || { tail -n 40 "$log"; fail "the program ended with status $status under valgrind"; }
grep -q 'ERROR SUMMARY: 0 errors' "$log" || fail "valgrind's summary is missing or not clean"
echo "ok: no invalid access and no leak of the program's own under valgrind"
