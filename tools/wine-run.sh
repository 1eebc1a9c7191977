#!/bin/bash
# Runs one Windows program under Wine and returns its exit code: a 64-bit
# program under wine64, a 32-bit one under 32-bit Wine (Debian's wine32:i386,
# which needs a kernel that executes 32-bit programs), each in a prefix of its
# own architecture.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
# - creates and configures a private prefix once (flock-protected, so parallel
#   test runners are safe); Wine's null display driver unless DISPLAY is set
# - BRISKO_WINEPREFIX names the 64-bit prefix; the 32-bit one is beside it
#   with "-win32" appended
# - WINE_TEST_TIMEOUT (seconds, default 120) ends a hung program
# - WINE_TEST_EXCLUSIVE=1 holds the prefix alone for the whole run (programs
#   that inject input or depend on the cursor position)
set -u
prefix=${BRISKO_WINEPREFIX:-${TMPDIR:-/tmp}/brisko-wine-$(id -u)}

# The machine field of the program's PE header: 014c is i386, 8664 x86-64.
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') && [ -n "$offset" ] &&
    od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}
program=${1:-}
[ -f "$program" ] || program=$(command -v "$program" 2>/dev/null || true)
if [ -n "$program" ] && [ "$(pe_machine "$program")" = 014c ]; then
  export WINEARCH=win32
  export WINEPREFIX=$prefix-win32
  WINE=${WINE32:-/usr/lib/wine/wine}
  install_hint="dpkg --add-architecture i386 && apt-get update && apt-get install wine32:i386"
else
  export WINEARCH=win64
  export WINEPREFIX=$prefix
  WINE=${WINE:-/usr/lib/wine/wine64}
  install_hint="apt-get install wine64"
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -x "$WINE" ]; then echo "wine-run: $WINE not found ($install_hint)" >&2; exit 127; fi
# Debian keeps wineserver off PATH; this wrapper picks the installed one.
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
exec 8>"$WINEPREFIX.lock"
flock 8
if [ ! -f "$WINEPREFIX/.brisko-ready" ]; then
  rm -rf "$WINEPREFIX"
  env -u DISPLAY "$WINE" wineboot -i >/dev/null 2>&1
  env -u DISPLAY "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11,null /f >/dev/null 2>&1
  env -u DISPLAY "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$WINESERVER" -w
  touch "$WINEPREFIX/.brisko-ready"
fi
if [ "${WINE_TEST_EXCLUSIVE:-0}" != 1 ]; then flock -u 8; flock -s 8; fi
timeout "${WINE_TEST_TIMEOUT:-120}" "$WINE" "$@"
rc=$?
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
  echo "wine-run: '$*' timed out; ending the prefix's processes" >&2
  "$WINESERVER" -k
fi
exit $rc
