#!/usr/bin/env bash
# Copy-then-paste rounds between X11 applications, without and with Pastrel running under Wine (run by hand, not by
# CI), to catch empty or wrong pastes. Each round copies formatted text (text/html + UTF8_STRING) with the X-side
# tests' client, waits PASTE_DELAY seconds (default 0.03, a quick paste after a copy) and pastes with xclip.
#
#   tools/paste_rounds.sh [ROUNDS]      (default 500)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"
rounds="${1:-500}"
delay="${PASTE_DELAY:-0.03}"
"$root/tools/deps.sh"
"$root/tools/build.sh" -DPASTREL_TESTS=ON
source "$root/tools/wine-lib.sh"
wine_headless_session "$build"
offer="$build/host/x11_offer"
log="$build/paste-rounds"
mkdir -p "$log"

paste() { xclip -o -selection clipboard "$@" 2>>"$log/xclip.err"; }

# Prints one line per failed round, then a summary.
run_rounds() {
    local label="$1" i text got empty=0 wrong=0
    for i in $(seq "$rounds"); do
        text="round $i of $label $RANDOM"
        "$offer" -l 5 text/html="<p><b>$text</b></p>" UTF8_STRING="$text" >/dev/null 2>>"$log/offer.err"
        sleep "$delay"
        got=$(paste) || true
        if [ "$got" != "$text" ]; then
            # What X clients see just after the failure: the offered targets and a second paste.
            echo "  round $i: got '${got:0:40}'; targets now: $(paste -t TARGETS | tr '\n' ' '); again: '$(paste)'"
            if [ -z "$got" ]; then empty=$((empty + 1)); else wrong=$((wrong + 1)); fi
        fi
        sleep 0.15 # rounds are separate user actions; the previous rewrite must not overlap the next copy
    done
    echo "$label: $empty empty and $wrong wrong pastes in $rounds rounds (paste ${delay}s after the copy)"
}

: > "$log/xclip.err"
echo "== without Pastrel =="
run_rounds "X alone"

echo "== with Pastrel =="
key='HKCU\Software\Brindlewox\Pastrel\CurrentVersion'
wine reg add "$key" /v NoOpeningDlg /t REG_DWORD /d 1 /f >/dev/null 2>&1
PASTREL_LANG=EN wine "$build/bin/Pastrel.exe" >/dev/null 2>&1 &
pastrel=$!
"$offer" -l 30 text/html='<b>ready</b>' UTF8_STRING='ready' >/dev/null
for _ in $(seq 200); do paste -t TARGETS | grep -qx text/html || break; sleep 0.05; done
run_rounds "Pastrel"
wine "$build/bin/Pastrel.exe" /X >/dev/null 2>&1
wait "$pastrel" || true
echo "xclip's complaints: $(sort "$log/xclip.err" | uniq -c | tr '\n' ';')"
