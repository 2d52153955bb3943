#!/usr/bin/env bash
# Builds and runs the benchmarks headless under Wine and prints their figures (run by hand, not by CI). The
# conversion stages are timed beside the standard tools a user would pick instead, on the same content.
#
#   bench.sh                 this tree's figures
#   bench.sh --compare REV   also builds REV (a commit, branch or tag) in a scratch worktree with a build folder of
#                            its own, runs both builds' benchmarks in one session, alternating, and prints both side by
#                            side with their ratio, so that a change's cost is seen before it lands
#
# PASTREL_BENCH_RUNS (default 2) is how many times each build's benchmarks run; each figure is the best of them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"
runs="${PASTREL_BENCH_RUNS:-2}"
compare=""
while [ $# -gt 0 ]; do
    case "$1" in
    --compare)
        compare="${2:?--compare needs a revision}"
        shift 2
        ;;
    *)
        echo "usage: bench.sh [--compare REV]" >&2
        exit 2
        ;;
    esac
done

"$root/tools/deps.sh"
command -v datamash >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq datamash; }
"$root/tools/build.sh" -DPASTREL_TESTS=ON -DPASTREL_BENCH=ON

# What the benchmarks need of a build: the two benchmarks, the program the latency benchmark starts with the files it
# reads, and the trivial command the filter is timed with.
bench_targets=(--target bench_pipeline --target bench_latency --target Pastrel --target convert_def
               --target filter_tool)
other=""
if [ -n "$compare" ]; then
    rev="$(git -C "$root" rev-parse --verify "$compare^{commit}")"
    short="$(git -C "$root" rev-parse --short "$rev")"
    src="$build/compare/src-$short"
    other="$build/compare/build-$short"
    # The scratch worktree is removed again whatever happens; its build folder stays for the next comparison.
    remove_worktree() { git -C "$root" worktree remove --force "$src" 2>/dev/null || rm -rf "$src"; }
    trap remove_worktree EXIT
    remove_worktree
    git -C "$root" worktree prune
    git -C "$root" worktree add --detach --quiet "$src" "$rev"
    build_other() {
        cmake -S "$src" -B "$other" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O3 -DNDEBUG" \
            -DCMAKE_CXX_FLAGS_RELEASE="-O3 -DNDEBUG" -DPASTREL_TESTS=ON -DPASTREL_BENCH=ON >/dev/null &&
            cmake --build "$other" -j"$(nproc)" "${bench_targets[@]}" >"$other.log" 2>&1
    }
    # The same benchmarks for both builds where this tree's sources build against REV; else REV's own.
    mkdir -p "$other"
    cp "$root"/bench/* "$src/bench/"
    if build_other; then
        other_sources="this tree's benchmark sources"
    else
        echo "(this tree's benchmarks do not build against $short: timing it with its own; see $other.log)"
        git -C "$src" checkout --quiet -- bench
        git -C "$src" clean -fdq -- bench
        if ! build_other; then
            cat "$other.log" >&2
            echo "bench.sh: $short does not build" >&2
            exit 1
        fi
        other_sources="its own benchmark sources"
    fi
    remove_worktree
    trap - EXIT
fi

source "$root/tools/wine-lib.sh"
wine_headless_session "$build"
data="$build/bench-data"
mkdir -p "$data"
rm -f "$data"/latency-*.txt "$data"/stages-*.txt

# One run of a build's benchmarks (build folder, label): its latency and stage figures into $data.
bench_run() {
    local bin="$1/bin" label="$2" run="$3"
    (cd "$bin" && wine bench_latency.exe) | tr -d '\r' > "$data/latency-$label-$run.txt"
    (cd "$bin" && wine bench_pipeline.exe "$(winepath -w "$data")" "$(winepath -w "$bin/filter_tool.exe")") |
        tr -d '\r' > "$data/stages-$label-$run.txt"
}
for run in $(seq "$runs"); do
    [ -n "$other" ] && bench_run "$other" old "$run"
    bench_run "$build" new "$run"
done

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

# The best of the runs: "time NAME SECONDS BYTES" lines of the stage files, "latency BLOCK SIZE MEDIAN" lines made of
# the latency tables (block 1 with a short markup, block 2 with HTML as large as the text, block 3 with the floating
# button's viewer open).
best_of() {
    local label="$1"
    awk '$1 == "time" { if (!($2 in t) || $3 < t[$2]) t[$2] = $3; b[$2] = $4; if (!($2 in o)) o[$2] = n++ }
         END { for (k in o) print o[k], "time", k, t[k], b[k] }' "$data"/stages-"$label"-*.txt | sort -n | cut -d' ' -f2-
    awk 'FNR == 1 { block = 0 } $1 == "text" { block++ }
         $2 ~ /^[KM]B$/ && $3 ~ /^[0-9]+$/ { k = block " " $1 "_" $2; if (!(k in m) || $4 < m[k]) m[k] = $4; if (!(k in o)) o[k] = n++ }
         END { for (k in o) print o[k], "latency", k, m[k] }' "$data"/latency-"$label"-*.txt | sort -n | cut -d' ' -f2-
}
best_of new > "$data/best-new.txt"

echo "== copy-to-rewrite latency =="
cat "$data/latency-new-1.txt"
echo
echo "== memory over many copies, the floating button's viewer open and closed =="
(cd "$build/bin" && wine bench_viewer_memory.exe) | tr -d '\r'
echo
echo "== conversion stages (64 MiB of UTF-16; the tools read the same text as UTF-8; best of $runs runs) =="
grep -hv '^time ' "$data"/stages-new-*.txt | sort -u || true
printf '%-14s %10s %10s %12s %8s\n' stage "Pastrel s" "MB/s" "tool s" ratio
awk '
    FNR == NR && $1 == "tool" { tool[$2] = $3; next }
    $1 == "time" {
        mbps = ($4 > 0 && $3 > 0) ? $4 / 1048576 / $3 : 0
        ratio = ($2 in tool) ? sprintf("%.2f", $3 / tool[$2]) : "-"
        t = ($2 in tool) ? sprintf("%.3f", tool[$2]) : "-"
        printf "%-14s %10.3f %10.1f %12s %8s\n", $2, $3, mbps, t, ratio
    }' "$data/tools.txt" "$data/best-new.txt"
echo "(ratio = Pastrel's time / the tool's time; below 1 is faster)"

if [ -n "$other" ]; then
    best_of old > "$data/best-old.txt"
    here="$(git -C "$root" rev-parse --short HEAD)$(git -C "$root" diff --quiet HEAD -- . ':!build' || echo +)"
    echo
    echo "== $short (built with $other_sources) against this tree ($here), one session, best of $runs runs each =="
    echo "$short:"
    grep -hv '^time ' "$data"/stages-old-*.txt | sort -u | sed 's/^/  /' || true
    grep -h -e '^Pastrel memory' -e '^peak private' "$data/latency-old-1.txt" | sed 's/^/  /' || true
    echo "this tree:"
    grep -hv '^time ' "$data"/stages-new-*.txt | sort -u | sed 's/^/  /' || true
    grep -h -e '^Pastrel memory' -e '^peak private' "$data/latency-new-1.txt" | sed 's/^/  /' || true
    printf '%-22s %10s %10s %9s %10s %9s\n' figure "$short" "this tree" "ratio" "tool s" "vs tool"
    awk '
        FILENAME ~ /tools.txt$/ { tool[$2] = $3; next }
        FILENAME ~ /best-old.txt$/ { key = $1 == "time" ? $2 : $2 "/" $3; old[key] = $1 == "time" ? $3 : $4; next }
        {
            key = $1 == "time" ? $2 : $2 "/" $3
            value = $1 == "time" ? $3 : $4
            unit = $1 == "time" ? " s" : " ms"
            name = $1 == "time" ? key : ($2 == 1 ? "latency " : $2 == 2 ? "latency+html " : "latency+viewer ") $3
            seen[key] = 1
            before = (key in old) ? sprintf("%.3f", old[key]) : "-"
            ratio = (key in old && old[key] > 0) ? sprintf("%.2f", value / old[key]) : "-"
            t = ($1 == "time" && key in tool) ? sprintf("%.3f", tool[key]) : "-"
            vs = ($1 == "time" && key in tool) ? sprintf("%.2f", value / tool[key]) : "-"
            printf "%-22s %10s %10.3f %9s %10s %9s\n", name unit, before, value, ratio, t, vs
        }
        END { for (key in old) if (!(key in seen)) printf "%-22s %10.3f %10s %9s\n", key, old[key], "-", "-" }
    ' "$data/tools.txt" "$data/best-old.txt" "$data/best-new.txt"
    echo "(ratio = this tree / $short; below 1 is faster. vs tool = this tree / the standard tool)"
fi
