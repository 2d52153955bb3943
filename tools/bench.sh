#!/usr/bin/env bash
# Builds and runs the benchmarks headless under Wine and prints their figures (run by hand, not by CI). The
# conversion stages are timed beside the standard tools a user would pick instead, on the same content.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"
"$root/tools/deps.sh"
command -v datamash >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq datamash; }
"$root/tools/build.sh" -DPASTREL_TESTS=ON -DPASTREL_BENCH=ON
source "$root/tools/wine-lib.sh"
wine_headless_session "$build"
cd "$build/bin"

echo "== copy-to-rewrite latency =="
wine bench_latency.exe

echo
echo "== memory over many copies, the floating button's viewer open and closed =="
wine bench_viewer_memory.exe

echo
echo "== conversion stages (64 MiB of UTF-16; the tools read the same text as UTF-8) =="
data="$build/bench-data"
mkdir -p "$data"
wine bench_pipeline.exe "$(winepath -w "$data")" "$(winepath -w "$build/bin/filter_tool.exe")" | tr -d '\r' > "$data/pastrel.txt"
grep -v '^time ' "$data/pastrel.txt" || true

tool_time() { # name, command reading $data/text.txt; the best of three runs, as for Pastrel's stages
    local start end times=""
    for _ in 1 2 3; do
        start=$(date +%s.%N)
        bash -c "$2" > /dev/null
        end=$(date +%s.%N)
        times+="$(echo "$end - $start" | bc -l)"$'\n'
    done
    echo "tool $1 $(printf '%s' "$times" | sort -g | head -1)"
}
{
    tool_time delete "tr -d ' ' < '$data/text.txt'"
    tool_time trim "sed -e 's/^ *//' -e 's/ *\$//' '$data/text.txt'"
    tool_time sort "LC_ALL=C sort '$data/text.txt'"
    tool_time uniq "uniq '$data/text.txt'"
    # GNU grep stops at the first match when its output is /dev/null; a pipe makes it do the whole work.
    tool_time blank "LC_ALL=C grep -v '^\$' '$data/text.txt' | cat"
    tool_time tabs "expand -t 8 '$data/text.txt'"
    tool_time definition "LC_ALL=C.UTF-8 sed 'y/０１２３４５６７８９ＡＢＣＤＥＦＧＨＩＪ/0123456789ABCDEFGHIJ/' '$data/text.txt'"
    tool_time regex "perl -pe 's/[ \\t]+\$//' '$data/text.txt'"
    tool_time transpose "datamash -t, transpose < '$data/table.csv'"
} > "$data/tools.txt"

printf '%-12s %10s %10s %12s %8s\n' stage "Pastrel s" "MB/s" "tool s" ratio
awk '
    FNR == NR && $1 == "tool" { tool[$2] = $3; next }
    $1 == "time" {
        mbps = ($4 > 0 && $3 > 0) ? $4 / 1048576 / $3 : 0
        ratio = ($2 in tool) ? sprintf("%.2f", $3 / tool[$2]) : "-"
        t = ($2 in tool) ? sprintf("%.3f", tool[$2]) : "-"
        printf "%-12s %10.3f %10.1f %12s %8s\n", $2, $3, mbps, t, ratio
    }' "$data/tools.txt" "$data/pastrel.txt"
echo "(ratio = Pastrel's time / the tool's time; below 1 is faster)"
