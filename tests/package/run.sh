#!/usr/bin/env bash
# The Windows download as a user gets it. tools/package.sh must give the same bytes twice from this build, also from
# a copy of its files with other times and modes, and the zip must hold exactly one folder with the files of the build
# and README.txt and LICENSE in CR LF. Unpacked into a fresh folder and started in a fresh Wine prefix, Pastrel.exe
# must open its help page from that folder, rewrite formatted copies of an X application, keep its settings under the
# registry key that README.txt tells users to delete, and end with /X leaving nothing of that prefix running. Run by
# ctest inside the Wine session of tools/test.sh: its DISPLAY, a prefix of its own.
#
#   run.sh BUILD_DIR X11_OFFER
set -uo pipefail
build="$(cd "$1" && pwd)"
offer="$2"
: "${DISPLAY:?run this inside the Wine session of tools/test.sh}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tools/wine-lib.sh"
source "$root/tests/lib.sh"
use_utf8_locale
export PASTREL_LANG=EN WINEDEBUG=-all WINEARCH=win64

work="$build/package-test"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/wineprefix"
pastrel_pid=""
offer_pids=()
finish() {
    [ -n "$pastrel_pid" ] && kill "$pastrel_pid" 2>/dev/null
    local pid
    for pid in "${offer_pids[@]}"; do kill "$pid" 2>/dev/null; done
    [ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
    rm -rf "$work" # the prefix alone is some 700 MB
}
trap finish EXIT

WAIT_SECONDS=30 # the first programs of a new prefix start slowly

package() { bash "$root/tools/package.sh" "$@" 2>>"$work/package.log"; }

# --- The zip -------------------------------------------------------------------------------------------------------

zip=$(package "$build" "$work/first")
if [ ! -f "$zip" ]; then
    echo "FAIL package.sh made no zip: $(cat "$work/package.log")"
    exit 1
fi
top=$(basename "$zip" -x64.zip)

name="package.sh gives the same bytes from the same build, whatever the files' times and modes"
copy="$work/copy/bin"
mkdir -p "$copy"
cp -R "$build/bin/Pastrel.exe" "$build/bin/Convert.def" "$build/bin/RegExpTemplate.def" "$build/bin/Pastrel.chm" \
    "$build/bin/help" "$copy/"
find "$copy" -exec touch -d '2003-04-05 06:07:09' {} + && chmod -R go-rwx "$copy" && chmod 0500 "$copy/Pastrel.exe"
again=$(umask 077 && TZ=Asia/Tokyo package "$work/copy" "$work/again")
if [ -f "$again" ] && cmp -s "$zip" "$again"; then pass "$name"; else fail "$name" "$(cmp "$zip" "$again" 2>&1)"; fi

name="every entry carries the time SOURCE_DATE_EPOCH names"
dated=$(SOURCE_DATE_EPOCH=1709210096 package "$build" "$work/dated") # 2024-02-29 12:34:56 UTC
times=$(zipinfo -T "$dated" 2>&1 | awk '$(NF - 1) ~ /^[0-9]+[.][0-9]+$/ { print $(NF - 1) }' | sort -u)
if [ "$times" = 20240229.123456 ]; then pass "$name"; else fail "$name" "found $times"; fi

name="the zip is named after the program's FileVersion"
version=$(strings -el "$build/bin/Pastrel.exe" | grep -x -A1 FileVersion | grep -xE '[0-9]+([.][0-9]+){3}')
if [ "$(basename "$zip")" = "Pastrel-$version-x64.zip" ]; then pass "$name"; else fail "$name" "$zip, $version"; fi

name="the zip holds one folder with the program, its files, the help pages, README.txt and LICENSE"
expected=$( {
    printf '%s\n' "$top/" "$top/help/" "$top/"{Pastrel.exe,Convert.def,RegExpTemplate.def,Pastrel.chm,README.txt,LICENSE}
    ls -A "$build/bin/help" | sed "s|^|$top/help/|"
} | LC_ALL=C sort)
listed=$(unzip -Z1 "$zip" 2>&1)
if ! unzip -tq "$zip" >/dev/null 2>&1; then
    fail "$name" "unzip -t: $(unzip -tq "$zip" 2>&1 | tail -3)"
elif [ "$listed" != "$expected" ]; then
    fail "$name" "entries differ from the sorted expected list: $(diff <(echo "$expected") <(echo "$listed") | head -20)"
else
    mkdir "$work/unpacked"
    unzip -q "$zip" -d "$work/unpacked"
    dir="$work/unpacked/$top"
    different=()
    for file in Pastrel.exe Convert.def RegExpTemplate.def Pastrel.chm; do
        cmp -s "$build/bin/$file" "$dir/$file" || different+=("$file")
    done
    diff -rq "$build/bin/help" "$dir/help" >/dev/null || different+=(help)
    if [ ${#different[@]} -eq 0 ]; then pass "$name"; else fail "$name" "not as built: ${different[*]}"; fi
fi

# Text for Notepad: every line ends in CR LF, the rest is the text kept in the repository, valid UTF-8.
windows_text_of() {
    [ -s "$1" ] && [ "$(grep -c $'\r$' "$1")" = "$(wc -l < "$1")" ] && tr -d '\r' < "$1" | cmp -s - "$2" &&
        iconv -f UTF-8 -t UTF-8 "$1" >/dev/null 2>&1
}
name="README.txt and LICENSE come with CR LF line ends"
if [ ! -d "${dir:-}" ]; then
    fail "$name" "nothing unpacked"
elif ! windows_text_of "$dir/README.txt" "$root/docs/README.txt"; then
    fail "$name" "README.txt is not docs/README.txt in CR LF"
elif ! windows_text_of "$dir/LICENSE" "$root/LICENSE"; then
    fail "$name" "LICENSE is not the repository's LICENSE in CR LF"
else
    pass "$name"
fi
[ -d "${dir:-}" ] || exit 1

# --- Pastrel.exe from the unpacked folder, in a new Wine prefix ---------------------------------------------------

# The help opens through winebrowser; the browser it starts is this recorder.
cat > "$work/browser.sh" <<'SH'
#!/bin/sh
printf '%s\n' "$@" >> "$(dirname "$0")/browser.log"
SH
chmod +x "$work/browser.sh"
cat > "$work/prefix.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]
"Browsers"="$work/browser.sh"
REG
echo "Creating the Wine prefix $WINEPREFIX ..."
wineboot --init >>"$work/wine.log" 2>&1
wine regedit /S "Z:${work//\//\\}\\prefix.reg" >>"$work/wine.log" 2>&1
before=$(cd "$dir" && find . | sort)

# Wine's own processes of this prefix, found by their environment; grep runs without it.
prefix_processes() {
    local process
    for process in $(env -u WINEPREFIX grep -lsxz "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ); do
        process=${process%/environ}
        echo "${process#/proc/} $(tr '\0' ' ' < "$process/cmdline" 2>/dev/null)"
    done
}
gone() { [ ! -e "/proc/$1" ] || [[ $(cat "/proc/$1/stat" 2>/dev/null) == *") Z "* ]]; }

# Before Pastrel runs: a running one answers /? with its already-running dialog. When the page is missing, /? shows
# a message box and waits for it.
name="/? opens the help page of the unpacked folder in the browser"
wine "$dir/Pastrel.exe" '/?' >>"$work/wine.log" 2>&1 &
help_pid=$!
if ! wait_for grep -q HLP000021 "$work/browser.log" 2>/dev/null; then
    fail "$name" "the browser was never asked"
else
    url=$(grep HLP000021 "$work/browser.log" | head -1)
    page=${url#file://}
    page=${page#/[Zz]:}
    if [ "$page" = "$dir/help/HLP000021.html" ] && [ -f "$page" ]; then pass "$name"; else fail "$name" "opened $url"; fi
fi
if ! wait_for gone "$help_pid"; then
    fail "$name" "Pastrel /? did not end"
    kill "$help_pid" 2>/dev/null
fi
wait "$help_pid" 2>/dev/null

rewritten_to() { ! paste -t TARGETS | grep -qx text/html && [ "$(paste -t UTF8_STRING)" = "$1" ]; }
# Copies as a browser does: HTML and the same text (HTML alone gives Windows programs no text). The copying client
# gets no WINEPREFIX, so that only Wine's own processes carry this prefix.
copy() {
    local pid
    pid=$(env -u WINEPREFIX "$offer" -l 120 "$@") || return 1
    offer_pids+=("$pid")
}

# Pastrel rewrites what it finds on the clipboard when it starts, which also tells that it runs.
name="Pastrel started from the folder rewrites formatted copies as plain text"
copy text/html='<p><b>Bold</b> and <i>italic</i></p>' UTF8_STRING='Bold and italic'
wine "$dir/Pastrel.exe" >>"$work/wine.log" 2>&1 &
pastrel_pid=$!
if ! wait_for rewritten_to 'Bold and italic'; then
    fail "$name" "the copy found at start is still '$(paste)' with $(paste -t TARGETS | tr '\n' ' ')"
else
    copy text/html='<ul><li>one</li></ul>' UTF8_STRING='one'
    if wait_for rewritten_to 'one'; then pass "$name"; else fail "$name" "a copy while running gave '$(paste)'"; fi
fi

name="/X ends Pastrel and nothing of the prefix is left running"
wine "$dir/Pastrel.exe" /X >>"$work/wine.log" 2>&1
if ! wait_for gone "$pastrel_pid"; then
    fail "$name" "Pastrel still runs after /X"
else
    wait "$pastrel_pid" 2>/dev/null
    pastrel_pid=""
    if ! timeout 60 wineserver -w; then
        fail "$name" "the wineserver did not end: $(prefix_processes)"
    elif [ -n "$(prefix_processes)" ]; then
        fail "$name" "still running: $(prefix_processes)"
    else
        pass "$name"
    fi
fi

name="the settings are under the key README.txt names, and the folder holds only what was unpacked"
key='HKEY_CURRENT_USER\Software\Brindlewox\Pastrel'
if ! grep -qF "$key" "$dir/README.txt"; then
    fail "$name" "README.txt does not name $key"
elif ! grep -q '^\[Software\\\\Brindlewox\\\\Pastrel\\\\' "$WINEPREFIX/user.reg"; then
    fail "$name" "Pastrel wrote nothing under $key"
elif [ "$(cd "$dir" && find . | sort)" != "$before" ]; then
    fail "$name" "the folder changed: $(diff <(echo "$before") <(cd "$dir" && find . | sort) | tail -n +2)"
else
    pass "$name"
fi

[ "$failures" -eq 0 ] || {
    echo "--- Wine's output:"
    tail -20 "$work/wine.log"
    exit 1
}
