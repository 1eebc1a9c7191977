#!/bin/bash
# Runs a program under a virtual X display of its own: starts Xvfb on a free
# display number, runs the program with DISPLAY set, stops the server.
# Exits 77 (skipped) when Xvfb is not installed.
# Usage: run-under-xvfb.sh PROGRAM [ARGS...]
set -u
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "SKIPPED: Xvfb is not installed (tools/install-deps.sh test installs it)"
  exit 77
fi

server=""
stop_server() { [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null; }
trap stop_server EXIT

for number in $(seq 90 189); do
  [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ] && continue
  # -noreset: the server stays as it is when its last client goes between tests.
  Xvfb ":${number}" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  server=$!
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X${number}" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
  done
  if [ -e "/tmp/.X11-unix/X${number}" ] && kill -0 "$server" 2>/dev/null; then
    DISPLAY=":${number}" "$@"
    exit $?
  fi
  # Another run took this number first: try the next.
  stop_server
  server=""
done
echo "FAILED: no free display number for Xvfb"
exit 1
