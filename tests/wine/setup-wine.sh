#!/usr/bin/env bash
# Prepares this machine to run 32-bit Windows programs (MinGW-w64 i686) under
# Wine, then prints on stdout the environment to use, as `export` lines:
#
#     eval "$(tests/wine/setup-wine.sh)"
#
# Progress and errors go to stderr. Safe to run again: finished steps are
# skipped. Installing needs root; exits non-zero, saying why, if 32-bit
# Windows programs cannot be run here.
#
# How it works, and why:
# - Debian 12's Wine 8 runs a 32-bit program with its 32-bit loader
#   /usr/lib/wine/wine, an i386 ELF program. This machine's kernel cannot run
#   i386 ELF programs (no IA-32 emulation), so they are run by qemu-i386 user
#   emulation, registered with binfmt_misc. Debian 12 has no new-style WoW64
#   Wine that would avoid this.
# - Debian 12's own qemu (7.2) works but needs about 50 s of CPU per process
#   start: it treats MAP_FIXED_NOREPLACE as a mere hint, and Wine's
#   address-space reservation then makes some 65,000 slow mmap calls. qemu
#   8.1 and later start the same process in about 0.3 s, so qemu-user is taken
#   from Debian's bookworm-backports (10.0 there).
# - The prefix is a 64-bit one (with syswow64): wineserver, wineboot and the
#   Wine services run natively as 64-bit programs; only the 32-bit programs
#   themselves are emulated.
# - A wineserver is left running, detached from this script's output, so that
#   the test programs find it and the services up ("warm": about 0.3 s for a
#   trivial program instead of about 1.5 s). `tests/wine/run-wine.sh --stop`
#   ends it; otherwise it exits by itself DRAVENHOL_WINE_PERSIST seconds
#   (default 300) after its last program.
#
# Environment read: WINEPREFIX (default: <repo>/build/wine-prefix), WINEDEBUG
# (default -all), WINEDLLOVERRIDES, DRAVENHOL_WINE_PERSIST; see wine-env.sh.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source-path=SCRIPTDIR source=wine-env.sh
. "$here/wine-env.sh"

log() { echo "setup-wine: $*" >&2; }
die() {
  echo "setup-wine: ERROR: $*" >&2
  echo "setup-wine: Wine is not ready to run 32-bit Windows programs here." >&2
  exit 1
}

# The lowest qemu version that starts Wine's 32-bit loader quickly.
qemu_min_major=8
qemu_min_minor=1
binfmt_dir=/proc/sys/fs/binfmt_misc
binfmt_name=qemu-i386
# i386 ELF executables and shared objects (the same pattern as Debian's
# qemu-user-binfmt); the kernel decodes the \x escapes.
binfmt_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
binfmt_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

is_root() { [ "$(id -u)" = 0 ]; }

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# shellcheck source-path=SCRIPTDIR source=../../scripts/apt.sh
. "$here/../../scripts/apt.sh"
install_or_die() {
  apt_install --no-install-recommends "$@" || die "apt-get install $* failed"
}

# "MAJOR.MINOR" of the qemu that runs i386 programs through binfmt_misc, or
# nothing when none does (no entry, or the kernel runs them natively).
binfmt_qemu_version() {
  QEMU_VERSION=1 "$DRAVENHOL_WINE32" 2>/dev/null \
    | sed -n 's/^qemu-i386 version \([0-9]*\)\.\([0-9]*\).*/\1.\2/p' | head -n 1 || true
}

# "MAJOR.MINOR" of a qemu-i386 binary.
qemu_binary_version() {
  "$1" --version 2>/dev/null \
    | sed -n 's/^qemu-i386 version \([0-9]*\)\.\([0-9]*\).*/\1.\2/p' | head -n 1 || true
}

version_ok() {
  local major="${1%%.*}" minor="${1#*.}"
  [ -n "$1" ] || return 1
  ((major > qemu_min_major || (major == qemu_min_major && minor >= qemu_min_minor)))
}

# --- 1. Wine (64-bit and 32-bit) from Debian --------------------------------
need=()
for p in wine wine64 wine32:i386; do installed "$p" || need+=("$p"); done
if ((${#need[@]})); then
  is_root || die "Wine is missing (${need[*]}) and installing it needs root"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "dpkg --add-architecture i386"
    dpkg --add-architecture i386
  fi
  install_or_die "${need[@]}"
fi
[ -x "$DRAVENHOL_WINE32" ] || die "$DRAVENHOL_WINE32 (Wine's 32-bit loader) is missing"
[ -x "$DRAVENHOL_WINE64" ] || die "$DRAVENHOL_WINE64 (Wine's 64-bit loader) is missing"

# --- 2. Something that runs i386 ELF programs -------------------------------
qv="$(binfmt_qemu_version)"
if [ -n "$qv" ] && version_ok "$qv"; then
  log "i386 programs run under qemu-i386 $qv (binfmt_misc)"
elif [ -z "$qv" ] && "$DRAVENHOL_WINE32" --version >/dev/null 2>&1; then
  log "the kernel runs i386 programs natively"
else
  if [ -n "$qv" ]; then
    log "i386 programs run under qemu-i386 $qv, which starts Wine too slowly; need >= $qemu_min_major.$qemu_min_minor"
  else
    log "the kernel cannot run i386 programs: setting up qemu-i386 with binfmt_misc"
  fi
  is_root || die "setting up qemu-i386 and binfmt_misc needs root"

  # A recent enough qemu-user.
  if ! version_ok "$(qemu_binary_version /usr/bin/qemu-i386)"; then
    codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
    if [ "$codename" = bookworm ]; then
      if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        # The same archive that serves bookworm on this machine.
        archive="$(grep -h -A3 '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null \
          | awk '/^URIs:/ {uri = $2} /^Suites:.*bookworm( |$)/ {print uri; exit}')"
        [ -n "$archive" ] || archive="$(awk '$1 == "deb" && / bookworm / {for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) {print $i; exit}}' \
          /etc/apt/sources.list 2>/dev/null | head -n 1)"
        [ -n "$archive" ] || die "no Debian archive for bookworm in apt's sources"
        log "adding Debian's bookworm-backports to apt's sources"
        printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: %s\n' \
          "$archive" /usr/share/keyrings/debian-archive-keyring.gpg \
          >/etc/apt/sources.list.d/dravenhol-bookworm-backports.sources
        apt_updated=
      fi
      pkgs=(qemu-user)
      # The old qemu-user-binfmt would block the upgrade; take its new version too.
      installed qemu-user-binfmt && pkgs+=(qemu-user-binfmt)
      install_or_die -t bookworm-backports "${pkgs[@]}"
    else
      install_or_die qemu-user
    fi
    v="$(qemu_binary_version /usr/bin/qemu-i386)"
    version_ok "$v" || die "/usr/bin/qemu-i386 is version '${v:-?}'; need >= $qemu_min_major.$qemu_min_minor"
  fi

  # binfmt_misc, with /usr/bin/qemu-i386 registered for i386 ELF files. The
  # F flag makes the kernel open the interpreter now, so an entry made before
  # qemu was upgraded still runs the old binary: always register anew.
  if [ ! -e "$binfmt_dir/register" ]; then
    log "mounting binfmt_misc on $binfmt_dir"
    mount -t binfmt_misc binfmt_misc "$binfmt_dir" 2>/dev/null \
      || die "cannot mount binfmt_misc on $binfmt_dir (CI must allow it, as root)"
  fi
  [ "$(cat "$binfmt_dir/status" 2>/dev/null)" = enabled ] || echo 1 >"$binfmt_dir/status"
  if [ -e "$binfmt_dir/$binfmt_name" ]; then
    echo -1 >"$binfmt_dir/$binfmt_name"
  fi
  log "registering /usr/bin/qemu-i386 for i386 ELF programs (binfmt_misc entry $binfmt_name)"
  printf '%s' ":$binfmt_name:M::$binfmt_magic:$binfmt_mask:/usr/bin/qemu-i386:F" >"$binfmt_dir/register" \
    || die "cannot register qemu-i386 with binfmt_misc"
  qv="$(binfmt_qemu_version)"
  version_ok "$qv" || die "i386 programs still do not run under a qemu-i386 >= $qemu_min_major.$qemu_min_minor (got '${qv:-none}')"
  log "i386 programs now run under qemu-i386 $qv"
fi

# --- 3. The Wine prefix -----------------------------------------------------
prefix_ready() {
  [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}

if ! prefix_ready; then
  if [ -e "$WINEPREFIX" ]; then
    # Only ever remove what is recognisably a (half-made) Wine prefix.
    if [ -z "$(ls -A "$WINEPREFIX")" ] || [ -d "$WINEPREFIX/drive_c" ] || [ -f "$WINEPREFIX/system.reg" ]; then
      log "removing the incomplete prefix $WINEPREFIX"
      WINEPREFIX="$WINEPREFIX" "$DRAVENHOL_WINESERVER" -k >/dev/null 2>&1 || true
      rm -rf "$WINEPREFIX"
    else
      die "$WINEPREFIX exists and is not a Wine prefix; set WINEPREFIX to another path"
    fi
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"
  log "creating the Wine prefix $WINEPREFIX (64-bit, with 32-bit syswow64)"
  start=$(date +%s)
  WINEARCH=win64 timeout 900 "$DRAVENHOL_WINE64" wineboot.exe --init </dev/null >&2 2>&1 \
    || die "wineboot --init failed for $WINEPREFIX"
  # Let the server write the registry and exit before checking.
  timeout 120 "$DRAVENHOL_WINESERVER" -w >/dev/null 2>&1 || true
  prefix_ready || die "the prefix $WINEPREFIX was not fully made (no syswow64/kernel32.dll: the 32-bit part failed)"
  log "prefix made in $(($(date +%s) - start)) s"
fi

# --- 4. Start the server, then check that a 32-bit program runs -------------
dravenhol_wine_start_server
out="$(timeout 300 "$DRAVENHOL_WINE32" cmd.exe /c 'echo arch=%PROCESSOR_ARCHITECTURE%' </dev/null 2>/dev/null)" \
  || die "Wine's 32-bit cmd.exe did not run (exit $?)"
case "$out" in
  *arch=x86*) log "a 32-bit Windows program ran under Wine" ;;
  *) die "Wine's 32-bit cmd.exe printed '${out//$'\r'/}', not arch=x86" ;;
esac

# --- 5. The environment to use ----------------------------------------------
for v in WINEPREFIX WINEDEBUG WINEDLLOVERRIDES DRAVENHOL_WINE_PERSIST; do
  printf 'export %s=%q\n' "$v" "${!v}"
done
