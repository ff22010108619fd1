#!/usr/bin/env bash
# Builds the module and the replacement host (without the tests, in
# build/host; installing what is missing needs root), then exports the bundled sample
# database into BAZA under the given base directory (default: ./sample-export).
#   scripts/export-sample.sh [--base DIR] [--method universal|interkam|cancel] [--db FIXTURE]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" --host
(cd "$root" && cmake --preset host >/dev/null)
# Quiet when it works; the compiler's own words when it does not.
if ! log="$(cmake --build "$root/build/host" --target dravenhol dravenhol-host 2>&1)"; then
  printf '%s\n' "$log" >&2
  echo "export-sample: the build failed (above)" >&2
  exit 1
fi
base="sample-export"
args=()
while (($#)); do
  case "$1" in
    --base) base="$2"; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done
mkdir -p "$base"
"$root/build/host/qelmar/dravenhol-host" export --base "$base" "${args[@]}"
