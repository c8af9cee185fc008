#!/bin/sh
# wine-run.sh DEFAULT_PREFIX [PROGRAM.exe [ARGS...]]
# Runs one Windows program under Wine for the cross-compiled suite: Wine's
# own diagnostics off, no display needed, and the Wine prefix WINEPREFIX (or
# DEFAULT_PREFIX when unset), created quietly on first use. Without a
# program it only creates the prefix.
set -e
default_prefix=$1
shift
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$default_prefix}"
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
[ $# -gt 0 ] || exit 0
# Every program run here prints something; one that ends with a failure and
# printed nothing at all never started (Wine's own start-up failed), so it is
# started once more, and the log says so. A run that printed anything is
# never repeated.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
wine "$@" >"$out" 2>"$err" || status=$?
if [ "$status" -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
  echo "wine-run: $1 ended with status $status before printing anything (Wine's start-up failed); starting it once more" >&2
  status=0
  wine "$@" >"$out" 2>"$err" || status=$?
fi
cat "$out"
cat "$err" >&2
exit "$status"
