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
# - WINE_TEST_TIMEOUT (seconds, default 120) ends a hung program;
#   WINE_BOOT_TIMEOUT (default 300) each step of the prefix's set-up
# - BRISKO_SKIP_LOG: a file the GoogleTest cases the program skipped are
#   appended to
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
# Sets up the prefix; fails, leaving no prefix marked ready, when wineboot or
# a registry write fails or wineboot hangs, so the next run starts over.
setup_prefix() {
  local limit=${WINE_BOOT_TIMEOUT:-300}
  rm -rf "$WINEPREFIX"
  env -u DISPLAY timeout -k 10 "$limit" "$WINE" wineboot -i >/dev/null 2>&1 || return 1
  env -u DISPLAY timeout -k 10 "$limit" "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11,null /f \
    >/dev/null 2>&1 || return 1
  env -u DISPLAY timeout -k 10 "$limit" "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >/dev/null 2>&1 || return 1
  timeout -k 10 "$limit" "$WINESERVER" -w || return 1
  touch "$WINEPREFIX/.brisko-ready"
}
exec 8>"$WINEPREFIX.lock"
flock 8
if [ ! -f "$WINEPREFIX/.brisko-ready" ] && ! setup_prefix; then
  "$WINESERVER" -k 2>/dev/null
  rm -rf "$WINEPREFIX"
  echo "wine-run: cannot set up the Wine prefix $WINEPREFIX (wineboot or reg add failed or timed out)" >&2
  exit 125
fi
if [ "${WINE_TEST_EXCLUSIVE:-0}" != 1 ]; then flock -u 8; flock -s 8; fi
if [ -n "${BRISKO_SKIP_LOG:-}" ]; then
  # A test program is one CTest entry, which passes when some of its cases
  # were skipped: they are written to the log, "program: case: reason".
  output=$(mktemp)
  timeout "${WINE_TEST_TIMEOUT:-120}" "$WINE" "$@" 2>&1 | tee "$output"
  rc=${PIPESTATUS[0]}
  awk -v program="$(basename "$program")" '
    { sub(/\r$/, "") }  # Windows line ends
    /: Skipped$/ { reason = ""; getline reason; sub(/\r$/, "", reason) }
    /^\[  SKIPPED \] [^ ]+ \([0-9]+ ms\)$/ { print program ": " $4 ": " reason; reason = "" }' "$output" >>"$BRISKO_SKIP_LOG"
  rm -f "$output"
else
  timeout "${WINE_TEST_TIMEOUT:-120}" "$WINE" "$@"
  rc=$?
fi
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
  echo "wine-run: '$*' timed out; ending the prefix's processes" >&2
  "$WINESERVER" -k
fi
exit $rc
