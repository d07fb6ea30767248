#!/usr/bin/env bash
# Starts the real Tessarin_CM under Xvfb with no service reachable: it must
# show its window, write the offline picture into a fresh data folder and
# close by itself with status 0.
# Usage: run_under_xvfb.sh <Tessarin_CM> <the embedded cm.jpg>
set -euo pipefail
viewer=$1
picture=$2

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export TESSARIN_HOME=$home
export XDG_RUNTIME_DIR=$home
# A loopback port nobody listens on: the service is "not there".
export TESSARIN_SERVICE_URL=https://127.0.0.1:9/
unset QT_QPA_PLATFORM

status=0
timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$viewer" || status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL: Tessarin_CM ended with status $status"
  exit 1
fi
if ! cmp -s "$home/CM/cm.jpg" "$picture"; then
  echo "FAIL: the offline picture was not written"
  exit 1
fi
echo "OK: Tessarin_CM showed the offline picture and closed by itself"
