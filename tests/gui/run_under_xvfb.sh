#!/usr/bin/env bash
# Starts the real Tessarin under Xvfb over a fresh data folder with a key set
# and the full main window asked for, lets the Exit command close it (the
# program gives it by itself when TESSARIN_EXIT_AFTER_START is set) and checks
# that it ended cleanly, leaving the settings as they were.
# Usage: run_under_xvfb.sh <Tessarin> <tza>
set -euo pipefail
program=$1
tza=$2

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export TESSARIN_HOME=$home
export XDG_RUNTIME_DIR=$home
unset QT_QPA_PLATFORM

"$tza" --lang en keygen "Xvfb Test" xvfb@example.com "$home/keys" </dev/null >/dev/null
settings=$home/Values.dat
if grep -qi '^UseSmallMenu=' "$settings"; then
  sed -i 's/^UseSmallMenu=.*/UseSmallMenu=0/I' "$settings"
else
  echo 'UseSmallMenu=0' >>"$settings"
fi
cp "$settings" "$home/Values.before"

status=0
TESSARIN_EXIT_AFTER_START=1 timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$program" || status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL: Tessarin ended with status $status"
  exit 1
fi
if ! cmp -s "$settings" "$home/Values.before"; then
  echo "FAIL: the settings changed"
  exit 1
fi
echo "OK: Tessarin opened its main window and closed from its Exit command"
