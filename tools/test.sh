#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless under Wine: a private Xvfb display and a private
# Wine prefix; nothing is left running afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/deps.sh"
"$root/tools/build.sh" -DPASTREL_TESTS=ON
source "$root/tools/wine-lib.sh"

build="${PASTREL_BUILD_DIR:-$root/build}"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEARCH=win64
display=$(free_display)
export DISPLAY=":$display"

xvfb_pid=""
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
    wait >/dev/null 2>&1 || true
}
trap cleanup EXIT

Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

wine_ensure_prefix
# A persistent, warmed wineserver keeps each test start at tens of milliseconds.
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true

cd "$build"
ctest --output-on-failure --timeout 900 "$@"
