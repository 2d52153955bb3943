#!/usr/bin/env bash
# Builds and runs the benchmarks headless under Wine and prints their figures (run by hand, not by CI).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"
"$root/tools/deps.sh"
"$root/tools/build.sh" -DPASTREL_BENCH=ON
source "$root/tools/wine-lib.sh"
wine_headless_session "$build"
cd "$build/bin"
echo "== copy-to-rewrite latency =="
wine bench_latency.exe
