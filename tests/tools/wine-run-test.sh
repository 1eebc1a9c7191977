#!/bin/bash
# tools/wine-run.sh with a stand-in Wine whose prefix set-up fails, hangs or
# works: a failed or hung set-up must fail the run, leave no prefix marked
# ready and free the prefix's lock; the cases a test program skips must reach
# the skip log.
set -u -o pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-wine-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }

# The stand-in: FAKE_BOOT and FAKE_REG say how wineboot and reg behave (ok,
# fail or hang); anything else is run as a shell script. Every call is logged.
cat >"$work/wine" <<'SH'
#!/bin/bash
echo "$1" >>"$FAKE_CALLS"
behave() { case $1 in fail) exit 1 ;; hang) exec sleep 600 ;; esac; }
case $1 in
  wineboot) behave "${FAKE_BOOT:-ok}"; mkdir -p "$WINEPREFIX" ;;
  reg) behave "${FAKE_REG:-ok}" ;;
  *) exec bash "$@" ;;
esac
SH
printf '#!/bin/bash\nexit 0\n' >"$work/wineserver"
chmod +x "$work/wine" "$work/wineserver"
cat >"$work/program.sh" <<'SH'
printf 'tests/Probe.cpp:12: Skipped\r\n'
printf 'no display here\r\n'
printf '[  SKIPPED ] Probe.NeedsDisplay (0 ms)\r\n'
echo "[       OK ] Probe.Works (0 ms)"
echo "[  SKIPPED ] 1 test, listed below:"
echo "[  SKIPPED ] Probe.NeedsDisplay"
exit 3
SH
# The skip log of the test command's own run is not for the stand-in's cases.
unset BRISKO_SKIP_LOG
export BRISKO_WINEPREFIX=$work/prefix WINE=$work/wine WINESERVER=$work/wineserver FAKE_CALLS=$work/calls
run() { timeout 60 "$top/tools/wine-run.sh" "$work/program.sh" >"$work/out" 2>&1; }

FAKE_BOOT=fail run
check "a failing wineboot fails the run (125)" '[ $? -eq 125 ]'
check "and leaves no prefix behind" '[ ! -e "$work/prefix" ]'
FAKE_REG=fail run
check "a failing reg add fails the run" '[ $? -eq 125 ] && [ ! -e "$work/prefix/.brisko-ready" ]'
start=$(date +%s)
FAKE_BOOT=hang WINE_BOOT_TIMEOUT=2 run
rc=$?
check "a hanging wineboot is ended and fails the run" '[ $rc -eq 125 ] && [ $(($(date +%s) - start)) -lt 30 ]'

: >"$work/calls"
BRISKO_SKIP_LOG=$work/skips run
check "a working set-up runs the program and returns its code" '[ $? -eq 3 ] && grep -q "Probe.Works" "$work/out"'
check "the prefix is marked ready" '[ -f "$work/prefix/.brisko-ready" ]'
check "the skipped case reaches the log once, with its reason" \
  '[ "$(cat "$work/skips")" = "program.sh: Probe.NeedsDisplay: no display here" ]'
run
check "a ready prefix is not set up again" '[ "$(grep -c wineboot "$work/calls")" -eq 1 ]'

[ $failures -eq 0 ] && echo "wine-run handles every set-up outcome" || { echo "$failures checks failed"; exit 1; }
