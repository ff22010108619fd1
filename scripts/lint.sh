#!/usr/bin/env bash
# Formatting and static analysis: fails on a C++ file that clang-format would
# change, and on any clang-tidy warning of the checks in .clang-tidy (the
# analyzer's among them) over every source: the module, the replacement host,
# the tests, the fuzzers and the benchmarks with the native build's compile
# commands, the Windows sources with the Windows build's (MinGW's headers),
# and the host probe with its own compiler's flags (Microsoft's ABI).
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files '*.cpp' '*.h' | grep -v '^fuzz/corpus/\|^fuzz/regressions/')
clang-format --dry-run --Werror "${sources[@]}"
echo "clang-format: ${#sources[@]} files formatted"

# The files a build compiles, from its compile commands, relative to here.
units_of() {
  python3 -c 'import json, os, sys
root = os.getcwd()
files = {os.path.relpath(e["file"], root) for e in json.load(open(sys.argv[1]))}
print("\n".join(sorted(f for f in files if not f.startswith(("build/", "..")) and f.endswith(".cpp"))))' "$1"
}
tidy() { xargs -P "$(nproc)" -n 4 clang-tidy --quiet "$@" 2>/dev/null; }

[ -f build/native/compile_commands.json ] || cmake --preset native >/dev/null
mapfile -t native < <(units_of build/native/compile_commands.json)
printf '%s\n' "${native[@]}" | tidy -p build/native

# MinGW's C++ headers, which clang does not find by itself; and a compile
# database without the one GCC flag clang does not know.
[ -f build/windows-i686/compile_commands.json ] || cmake --preset windows-i686 >/dev/null
windows_db="$(mktemp -d)"
trap 'rm -rf "$windows_db"' EXIT
sed 's/ -fno-keep-inline-dllexport//g' build/windows-i686/compile_commands.json >"$windows_db/compile_commands.json"
gcc_cxx="$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-win32/include/c++ | head -n 1)"
mapfile -t windows < <(units_of "$windows_db/compile_commands.json" | grep '_windows\.cpp$\|^tests/')
printf '%s\n' "${windows[@]}" | tidy -p "$windows_db" --extra-arg-before=--target=i686-w64-mingw32 \
  "--extra-arg=-isystem$gcc_cxx" "--extra-arg=-isystem$gcc_cxx/i686-w64-mingw32"

clang-tidy --quiet qelmar/probe/probe.cpp -- --target=i686-pc-windows-msvc -std=c++20 -fms-extensions -fexceptions \
  -fcxx-exceptions -ffreestanding -nostdlibinc -DDRAVENHOL_PROBE_BUILD 2>/dev/null
echo "clang-tidy: $((${#native[@]} + ${#windows[@]} + 1)) files analysed, no warnings"
