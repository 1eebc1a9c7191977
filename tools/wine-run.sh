#!/bin/bash
# Runs one 64-bit Windows program under wine64 and returns its exit code.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
# - creates and configures a private prefix once (flock-protected, so parallel
#   test runners are safe); Wine's null display driver unless DISPLAY is set
# - WINE_TEST_TIMEOUT (seconds, default 120) ends a hung program
# - WINE_TEST_EXCLUSIVE=1 holds the prefix alone for the whole run (programs
#   that inject input or depend on the cursor position)
set -u
export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${BRISKO_WINEPREFIX:-${TMPDIR:-/tmp}/brisko-wine-$(id -u)}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINE=${WINE:-/usr/lib/wine/wine64}
if [ ! -x "$WINE" ]; then echo "wine-run: $WINE not found (apt-get install wine64)" >&2; exit 127; fi
exec 8>"$WINEPREFIX.lock"
flock 8
if [ ! -f "$WINEPREFIX/.brisko-ready" ]; then
  rm -rf "$WINEPREFIX"
  env -u DISPLAY "$WINE" wineboot -i >/dev/null 2>&1
  env -u DISPLAY "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11,null /f >/dev/null 2>&1
  env -u DISPLAY "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.brisko-ready"
fi
if [ "${WINE_TEST_EXCLUSIVE:-0}" != 1 ]; then flock -u 8; flock -s 8; fi
timeout "${WINE_TEST_TIMEOUT:-120}" "$WINE" "$@"
rc=$?
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
  echo "wine-run: '$*' timed out; ending the prefix's processes" >&2
  wineserver -k
fi
exit $rc
