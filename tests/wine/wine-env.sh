# Sourced (not run) by setup-wine.sh and run-wine.sh: the Wine environment
# both use, and how to start the prefix's wineserver.
# shellcheck shell=bash

_dravenhol_repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Where the prefix lives; Wine needs an absolute path.
WINEPREFIX="${WINEPREFIX:-$_dravenhol_repo/build/wine-prefix}"
case "$WINEPREFIX" in /*) ;; *) WINEPREFIX="$PWD/$WINEPREFIX" ;; esac
export WINEPREFIX
# No Wine debug output unless asked for (WINEDEBUG=err+all, +loaddll, ...).
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers at prefix creation; no desktop menu entries.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
# Seconds the wineserver stays up after its last program ends.
export DRAVENHOL_WINE_PERSIST="${DRAVENHOL_WINE_PERSIST:-300}"

# Debian's layout: the 32-bit loader is an i386 ELF program, the 64-bit one
# and the server are native.
# shellcheck disable=SC2034  # used by the scripts that source this file
DRAVENHOL_WINE32=/usr/lib/wine/wine
DRAVENHOL_WINE64=/usr/lib/wine/wine64
if [ -x /usr/lib/wine/wineserver64 ]; then
  DRAVENHOL_WINESERVER=/usr/lib/wine/wineserver64
else
  DRAVENHOL_WINESERVER=wineserver
fi

# Starts the prefix's wineserver if none runs, detached from the caller's
# terminal and pipes, and brings the Wine services up with it. Programs run
# afterwards then start fast, and no service holds their stdout or stderr
# open (which would keep a test runner waiting for end of output).
dravenhol_wine_start_server() {
  (
    flock 9
    # Exit status 0: a new server started (and went to the background);
    # 2: one is already running for this prefix.
    if "$DRAVENHOL_WINESERVER" "-p$DRAVENHOL_WINE_PERSIST" </dev/null >/dev/null 2>&1 9>&-; then
      # The first program of a new server starts wineboot and the services.
      timeout 300 "$DRAVENHOL_WINE64" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 9>&- || true
    fi
  ) 9>"$WINEPREFIX/.dravenhol-server.lock"
}
