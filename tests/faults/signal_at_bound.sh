#!/usr/bin/env bash
# SIGTERM and SIGINT are quit requests: at the detail bound, where a frame
# is slowest, and with Space held, so that a recorded bolt is alive when the
# context goes, the program still shuts down the normal way with status 0.
# Usage: signal_at_bound.sh PROGRAM SOURCE_DIR
set -euo pipefail
program=$1
source_dir=$2
source "$source_dir/tests/support/demo_session.sh"
demo_session_begin
# The quit request queues behind the key messages, handled one per frame;
# without auto-repeat a held Space adds none, and the time to the end
# measures the shut-down rather than a backlog of repeats.
python3 "$source_dir/tests/support/autorepeat.py" off

# From 10, eight "+" reach the bound of 18. Space pressed after them shows
# as a frozen bolt only once every "+" before it has been handled.
demo_to_bound() {
  demo_start "$source_dir"
  type_keys --delay 50 '++++++++'
  keys down space
  wait_for_bolt frozen 30
}

demo_to_bound
kill -TERM "$demo"
demo_expect_end "SIGTERM at detail 18 with Space held" 5
keys up space

demo_to_bound
keys up space
wait_for_bolt live 30
kill -INT "$demo"
demo_expect_end "SIGINT at detail 18" 5
