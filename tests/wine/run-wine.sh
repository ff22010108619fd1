#!/usr/bin/env bash
# Runs one Windows program under Wine, in the prefix that setup-wine.sh made:
#
#     tests/wine/run-wine.sh PROGRAM.exe [ARGS...]
#     tests/wine/run-wine.sh --stop      # end the prefix's wineserver and programs
#
# The program's stdout and stderr pass through unchanged (a MinGW program in
# text mode ends lines with CR LF) and its exit code is returned (as Unix
# does, only its low 8 bits; an unhandled exception gives the low byte of the
# exception code). 32-bit programs run with Wine's 32-bit loader, 64-bit ones
# with the 64-bit loader, chosen from the PE header.
#
# Environment: WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES, WINEPATH (Wine's, with
# setup-wine.sh's defaults); DRAVENHOL_WINE_TIMEOUT: seconds before the program
# is killed (default 300; exit code 124 then); DRAVENHOL_WINE_PERSIST: see
# setup-wine.sh.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source-path=SCRIPTDIR source=wine-env.sh
. "$here/wine-env.sh"

if [ $# -lt 1 ]; then
  echo "usage: $0 PROGRAM.exe [ARGS...] | --stop" >&2
  exit 2
fi

if [ "$1" = --stop ]; then
  [ -d "$WINEPREFIX" ] && "$DRAVENHOL_WINESERVER" -k >/dev/null 2>&1
  exit 0
fi

prog="$1"
shift
if [ ! -f "$prog" ]; then
  echo "run-wine: no such file: $prog" >&2
  exit 127
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "run-wine: no Wine prefix at $WINEPREFIX: run tests/wine/setup-wine.sh first" >&2
  exit 125
fi

# The PE machine field: 014c for i386, 8664 for x86-64.
pe_machine() {
  local off
  off="$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')"
  [ -n "$off" ] || return 0
  od -An -t x2 -j "$((off + 4))" -N 2 "$1" 2>/dev/null | tr -d ' '
}
loader="$DRAVENHOL_WINE32"
[ "$(pe_machine "$prog")" = 8664 ] && loader="$DRAVENHOL_WINE64"

dravenhol_wine_start_server

limit="${DRAVENHOL_WINE_TIMEOUT:-300}"
timeout -k 10 "$limit" "$loader" "$prog" "$@"
rc=$?
if [ "$rc" = 124 ]; then
  echo "run-wine: $prog did not finish within $limit s and was killed" >&2
fi
exit "$rc"
