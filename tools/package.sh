#!/usr/bin/env bash
# Makes the Windows download from a finished build: Pastrel-<FileVersion>-x64.zip, holding one folder
# Pastrel-<FileVersion>/ with Pastrel.exe, Convert.def, RegExpTemplate.def, Pastrel.chm, the help pages for browsers
# (help/), README.txt and LICENSE. The same build gives the same bytes: the entries are sorted and carry one time,
# SOURCE_DATE_EPOCH when set, else the time of the last commit (tools/zip_folder.py).
#
#   package.sh [BUILD_DIR [OUT_DIR]]
#
# BUILD_DIR defaults to $PASTREL_BUILD_DIR or build/, OUT_DIR to BUILD_DIR; prints the path of the zip.
# `cmake --build build --target package` builds what is missing first, then runs this.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${PASTREL_BUILD_DIR:-$root/build}}"
out="${2:-$build}"
bin="$build/bin"

version=$(sed -n 's/^ *VALUE "FileVersion", "\([0-9.]*\)".*/\1/p' "$root/res/Pastrel.rc")
if [ -z "$version" ]; then
    echo "package.sh: no FileVersion in res/Pastrel.rc" >&2
    exit 1
fi
for file in Pastrel.exe Convert.def RegExpTemplate.def Pastrel.chm help/HLP000001.html; do
    if [ ! -f "$bin/$file" ]; then
        echo "package.sh: $bin/$file is missing; build first (tools/build.sh)" >&2
        exit 1
    fi
done

# A source tree without git (or one git refuses to read) gets a fixed time instead.
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$root" -c safe.directory="$root" log -1 --format=%ct 2>/dev/null || true)}"
epoch="${epoch:-1767225600}" # 2026-01-01

name="Pastrel-$version"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
cp "$bin/Pastrel.exe" "$bin/Convert.def" "$bin/RegExpTemplate.def" "$bin/Pastrel.chm" "$stage/$name/"
cp -R "$bin/help" "$stage/$name/help"
# Read in Notepad on Windows: CR LF line ends.
sed 's/\r$//; s/$/\r/' "$root/docs/README.txt" > "$stage/$name/README.txt"
sed 's/\r$//; s/$/\r/' "$root/LICENSE" > "$stage/$name/LICENSE"

mkdir -p "$out"
python3 "$root/tools/zip_folder.py" "$out/$name-x64.zip" "$stage/$name" "$epoch"
echo "$out/$name-x64.zip"
