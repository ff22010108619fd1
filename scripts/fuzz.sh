#!/usr/bin/env bash
# Fuzzing with bounded time: builds the fuzz preset (Clang 14; the module and
# the replacement host instrumented for libFuzzer, ASan and UBSan) and runs
# each libFuzzer target for SECONDS (default 60) from its committed seed
# corpus in fuzz/corpus/. Prints the executions per target. A failure leaves
# the input in build/fuzz/findings/; commit it under fuzz/regressions/<target>/
# and ctest runs it through the plain driver.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

findings=build/fuzz/findings
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$findings"
status=0
for target in text_rules database fixture; do
  # New inputs go to a scratch corpus; the committed seeds are only read.
  mkdir -p "$work/$target"
  options=()
  # A database input needs room for record bytes, from the first run on.
  [[ $target == database ]] && options=(-max_len=8192 -len_control=0)
  # A fixture seed is a whole sample database.
  [[ $target == fixture ]] && options=(-max_len=20000 -dict=fuzz/fixture.dict)
  log="$findings/$target.log"
  if build/fuzz/fuzz/${target}_libfuzzer -max_total_time="$seconds" -timeout=30 -print_final_stats=1 "${options[@]}" \
       -artifact_prefix="$findings/$target-" "$work/$target" $(ls -d "fuzz/corpus/$target" 2>/dev/null) >"$log" 2>&1; then
    result=passed
  else
    result=FAILED
    status=1
    tail -n 60 "$log" >&2
  fi
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  echo "fuzz $target: $result, ${executions:-0} executions in ${seconds} s (log: $log)"
done
exit "$status"
