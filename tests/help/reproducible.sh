#!/usr/bin/env bash
# Two builds of the help file from the same pages, a moment apart, give the same bytes.
#
#   reproducible.sh CHMCMD WORK_DIR
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
chmcmd="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work"
for build in 1 2; do
    python3 "$root/docs/help/build_chm.py" "$chmcmd" "$work/stage$build" "$work/Pastrel$build.chm"
    sleep 1.1 # another time of day for chmcmd to write
done
cmp "$work/Pastrel1.chm" "$work/Pastrel2.chm"
echo "two builds of Pastrel.chm: the same $(stat -c %s "$work/Pastrel1.chm") bytes"
