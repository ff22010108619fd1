#!/usr/bin/env bash
# Writes the golden files (tests/golden/<method>/) anew from an export of the
# bundled sample with the native build, then shows what changed. Check every
# changed line by hand against the rule it comes from before committing.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null
cmake --build --preset native --target dravenhol-host
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for method in universal interkam; do
  build/native/qelmar/dravenhol-host export --base "$work/$method" --method "$method" >/dev/null
  cp "$work/$method"/BAZA/*.csv "tests/golden/$method/"
done
git --no-pager diff --stat -- tests/golden
git --no-pager diff --word-diff=plain -- tests/golden | head -n 200
