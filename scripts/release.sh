#!/usr/bin/env bash
# Makes the release of the committed tree (HEAD) for Windows users:
#   dist/dravenhol-VERSION-win32.zip holding the stripped DLL, CZYTAJ.txt
#   (the user's guide, UTF-8 with a byte order mark, CR LF), the reference of
#   the eight files in Polish and English, their machine-readable description
#   csv-metadata.json, the reader baza.py, and SHA256SUMS.
#
#   scripts/release.sh [--work DIR] [--out DIR]
#
# The commit is unpacked into WORK/src (default build/release) and built there
# from scratch, so uncommitted changes never reach a release. Two runs of one
# commit give the same bytes whatever WORK is: the build maps its paths away,
# the link and the strip carry no time stamp, and the zip's entries have the commit's time,
# a fixed order and no extra attributes. VERSION is read from the DLL's own
# version resource.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$root/build/release"
out="$root/dist"
while (($#)); do
  case "$1" in
    --work) work="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    *) echo "usage: $0 [--work DIR] [--out DIR]" >&2; exit 2 ;;
  esac
done

"$root/scripts/install-deps.sh"
commit="$(git -C "$root" rev-parse HEAD)"
epoch="$(git -C "$root" log -1 --format=%ct "$commit")"
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
  echo "release: uncommitted changes are left out; building commit $commit" >&2
fi

mkdir -p "$work" "$out"
work="$(cd "$work" && pwd)"
out="$(cd "$out" && pwd)"
src="$work/src"
rm -rf "$src" "$work/stage"
mkdir -p "$src" "$work/stage"
git -C "$root" archive "$commit" | tar -x -C "$src"

cmake -S "$src" --preset windows-i686 -DDRAVENHOL_TESTS=OFF >/dev/null
build="$src/build/windows-i686"
if ! log="$(cmake --build "$build" --target dravenhol -j2 2>&1)"; then
  printf '%s\n' "$log" >&2
  echo "release: the build of the DLL failed (above)" >&2
  exit 1
fi

stage="$work/stage"
dll="$build/module/dravenhol.dll"
# strip writes the current time into the PE header unless told a date: the
# DLL keeps the link's zero time stamp.
SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip --strip-all -o "$stage/dravenhol.dll" "$dll"
version="$(i686-w64-mingw32-windres -i "$stage/dravenhol.dll" -O rc |
           sed -n 's/^ *VALUE "ProductVersion", L\{0,1\}"\([^"]*\)".*/\1/p')"
if [ -z "$version" ]; then
  echo "release: the DLL carries no product version" >&2
  exit 1
fi

# Texts for Windows: CR LF line ends, UTF-8 with a byte order mark, which
# Notepad recognises in every version.
to_windows_text() { printf '\357\273\277'; sed '/^%%/d; s/\r$//; s/$/\r/' "$1"; }
to_windows_text "$src/docs/CZYTAJ.txt" >"$stage/CZYTAJ.txt"
to_windows_text "$src/docs/pliki.md" >"$stage/pliki.md"
to_windows_text "$src/docs/files.md" >"$stage/files.md"
# The description of the files and their reader go as they are.
install -m 0644 "$src/docs/csv-metadata.json" "$src/docs/baza.py" "$stage/"
entries=(dravenhol.dll CZYTAJ.txt pliki.md files.md csv-metadata.json baza.py)
(cd "$stage" && sha256sum "${entries[@]}" >SHA256SUMS)
entries+=(SHA256SUMS)

(cd "$stage" && chmod 0644 "${entries[@]}" && touch -d "@$epoch" "${entries[@]}")
zip_file="$out/dravenhol-$version-win32.zip"
rm -f "$zip_file"
# -X: no extra fields (owners, Unix times); -D: no directory entries; the
# entry times are local times in a zip, hence UTC.
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$zip_file" "${entries[@]}")

echo "commit $commit"
echo "DLL $(stat -c %s "$dll") bytes, stripped $(stat -c %s "$stage/dravenhol.dll") bytes"
echo "$(sha256sum "$zip_file" | cut -d' ' -f1)  $zip_file"
