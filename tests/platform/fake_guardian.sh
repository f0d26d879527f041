#!/bin/sh
# Stands in for lightning-guardian in mode_guard_test, which installs it
# beside itself under that name: answers on its standard input, the socket
# to the demo, as FAKE_GUARDIAN says.
case $FAKE_GUARDIAN in
  guards) printf R >&0 && exec head -c 1 >/dev/null ;;  # ends on the dismissal
  steps-aside) printf S >&0 ;;
  ends) exit 1 ;;
  silent) exec sleep 60 ;;
esac
