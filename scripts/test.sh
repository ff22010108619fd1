#!/usr/bin/env bash
# Builds every target and runs every test: the native suite, formatting and
# static analysis, the same suite with AddressSanitizer and
# UndefinedBehaviorSanitizer, a minute of libFuzzer per fuzz target, and the
# Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

# Every install first, Wine's included, so that a machine that cannot run
# the Windows tests stops the run now, with the reason, not after the builds.
./scripts/install-deps.sh
if ! tests/wine/setup-wine.sh >/dev/null; then
  echo "Wine cannot run 32-bit programs on this machine: the Windows tests cannot run" >&2
  exit 1
fi

for preset in native native-asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
  if [ "$preset" = native ]; then ./scripts/lint.sh; fi
done

./scripts/fuzz.sh 60

cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686

# The release, made twice from the commit in two directories: the same bytes.
# The second copy lands in dist/, where the Windows tests check it from outside.
./scripts/release.sh --work build/release-a --out build/release-a/dist
./scripts/release.sh --work build/release-b
zip_name="$(basename build/release-a/dist/dravenhol-*-win32.zip)"
cmp "build/release-a/dist/$zip_name" "dist/$zip_name"
# Ready since the start; this only starts the server again and prints the
# environment.
environment="$(tests/wine/setup-wine.sh)"
eval "$environment"
trap 'tests/wine/run-wine.sh --stop' EXIT
ctest --preset windows-i686
