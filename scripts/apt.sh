# Sourced (not run) by install-deps.sh and tests/wine/setup-wine.sh: apt's
# update and install as both use them. Progress goes to stderr.
# shellcheck shell=bash

_apt_log() { echo "apt: $*" >&2; }

# Runs `apt-get update` once per script. An index that cannot be read (a
# mirror in mid-sync, say) is not fatal: apt goes on with the others, and the
# failure is remembered for apt_install.
apt_updated=
apt_index_failed=
apt_update() {
  [ -z "$apt_updated" ] || return 0
  _apt_log "apt-get update"
  if ! apt-get update -qq >&2; then
    apt_index_failed=1
    _apt_log "warning: some package index could not be read; going on without it"
  fi
  apt_updated=1
}

# The preference of the fallback below, while it is in force.
_apt_pin=/etc/apt/preferences.d/dravenhol-fallback-main-suite.pref

# apt_install [APT-OPTIONS...] PACKAGES...: installs, or fails saying so.
#
# When the security suite's i386 index could not be read, apt still takes
# each amd64 library from the security suite while it knows the i386 half
# of the pair only from the main suite; multi-arch pairs need one version,
# so the install of any i386 package fails. It is then tried once more with a
# temporary preference that ranks the security suite below the main suite,
# so that both halves of every pair come from the main suite. The preference
# is removed whatever happens.
apt_install() {
  apt_update
  _apt_log "apt-get install $*"
  if DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >&2; then
    return 0
  fi
  [ -n "$apt_index_failed" ] || return 1
  _apt_log "retrying with the main suite preferred over the security suite, whose index could not be read"
  trap 'rm -f "$_apt_pin"' EXIT
  trap 'rm -f "$_apt_pin"; exit 130' INT TERM HUP
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 50\n' >"$_apt_pin"
  local rc=0
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >&2 || rc=$?
  rm -f "$_apt_pin"
  trap - EXIT INT TERM HUP
  return "$rc"
}
