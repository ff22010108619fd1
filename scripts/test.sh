#!/usr/bin/env bash
# Builds every target and runs every test: the native suite, formatting and
# static analysis, the same suite with AddressSanitizer and
# UndefinedBehaviorSanitizer, a minute of libFuzzer per fuzz target, and the
# Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

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
if environment="$(tests/wine/setup-wine.sh)"; then
  eval "$environment"
  trap 'tests/wine/run-wine.sh --stop' EXIT
  ctest --preset windows-i686
else
  echo "Wine cannot run 32-bit programs on this machine: the Windows tests did not run" >&2
  exit 1
fi
