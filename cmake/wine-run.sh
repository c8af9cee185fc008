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
exec wine "$@"
