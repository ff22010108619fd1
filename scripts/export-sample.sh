#!/usr/bin/env bash
# Builds the module and the replacement host, then exports the bundled sample
# database into BAZA under the given base directory (default: ./sample-export).
#   scripts/export-sample.sh [--base DIR] [--method universal|interkam|cancel] [--db FIXTURE]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake --preset native -S "$root" >/dev/null
cmake --build "$root/build/native" --target dravenhol dravenhol-host >/dev/null
base="sample-export"
args=()
while (($#)); do
  case "$1" in
    --base) base="$2"; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done
mkdir -p "$base"
"$root/build/native/qelmar/dravenhol-host" export --base "$base" "${args[@]}"
