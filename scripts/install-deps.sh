#!/usr/bin/env bash
# Installs from Debian's packages whatever the build and the tests need and
# this machine lacks. Safe to run again; installing needs root.
#   scripts/install-deps.sh          everything (scripts/test.sh, scripts/release.sh)
#   scripts/install-deps.sh --host   only the native module and dravenhol-host (scripts/export-sample.sh)
# Wine, for the Windows tests, is installed by tests/wine/setup-wine.sh.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=apt.sh
. "$(dirname "${BASH_SOURCE[0]}")/apt.sh"

packages=(cmake ninja-build g++ nlohmann-json3-dev libcli11-dev)
if [ "${1:-}" != --host ]; then
  packages+=(googletest libgtest-dev libbenchmark-dev g++-mingw-w64-i686 zip clang-14 lld-14 llvm-14
             libclang-rt-14-dev clang-format clang-tidy sqlite3 python3 python3-xlsxwriter python3-openpyxl)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  [ "$(id -u)" = 0 ] || { echo "install-deps: missing ${missing[*]}; installing needs root" >&2; exit 1; }
  apt_install "${missing[@]}" || { echo "install-deps: apt-get install ${missing[*]} failed" >&2; exit 1; }
fi
