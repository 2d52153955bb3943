#!/usr/bin/env bash
# End-to-end tests from the X side: Pastrel.exe runs under Wine while this script acts as X11 applications, copying
# with x11_offer and pasting with xclip, and checks what X clients get. Run by ctest inside the Wine session that
# tools/test.sh starts (WINEPREFIX, DISPLAY and a running wineserver).
#
# The last part starts Pastrel with its X11 companion (linux/pastrel_x11.c) as tools/run.sh does, presses its hotkeys
# with xdotool and changes them in the hotkey dialog (through shot_driver), and ends Pastrel.
#
#   run.sh PASTREL_EXE X11_OFFER PASTREL_X11 SHOT_DRIVER
set -uo pipefail
pastrel="$1"
offer="$2"
companion="$3"
driver="$4"
: "${WINEPREFIX:?run this inside the Wine session of tools/test.sh}" "${DISPLAY:?no DISPLAY}"
source "$(dirname "$0")/../../tools/wine-lib.sh"
source "$(dirname "$0")/../lib.sh"
use_utf8_locale
export PASTREL_LANG=EN

work="$(mktemp -d)"
pastrel_pid=""
offer_pids=()
companion_pid=""
grabber_pid=""
finish() {
    [ -n "$pastrel_pid" ] && kill "$pastrel_pid" 2>/dev/null
    local pid
    for pid in $companion_pid $grabber_pid; do kill "$pid" 2>/dev/null; done
    for pid in "${offer_pids[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap finish EXIT

offers_html() { paste -t TARGETS | grep -qx text/html; }
# Copies as an X application would; the rest of the arguments are TARGET=VALUE. Requested targets go to $work/$1.
copy() {
    local log="$work/$1" pid
    shift
    : > "$log"
    pid=$("$offer" -l 120 -r "$log" "$@") || return 1
    offer_pids+=("$pid")
    last_offer=$pid
}
# Whether the copying client still serves its copy (it ends when another client takes the selection).
still_serving() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) && [[ ${stat##*) } != Z* ]]
}
rewritten_to() { ! offers_html && [ "$(paste)" = "$1" ]; }
requested() { grep -qx "$2" "$work/$1"; }

# Settings of earlier tests must not leak in; no opening dialog; copied files become their full paths.
cat > "$work/settings.reg" <<'REG'
REGEDIT4

[-HKEY_CURRENT_USER\Software\Brindlewox\Pastrel\CurrentVersion]

[HKEY_CURRENT_USER\Software\Brindlewox\Pastrel\CurrentVersion]
"NoOpeningDlg"=dword:00000001
"FileFolderCopy"=dword:00000002
REG
wine regedit /S "$(winepath -w "$work/settings.reg")" >/dev/null 2>&1

# Pastrel rewrites what it finds on the clipboard when it starts, which also tells us it is ready.
copy start text/html='<b>start</b>' UTF8_STRING='start' || exit 1
wine "$pastrel" >/dev/null 2>&1 &
pastrel_pid=$!
if ! wait_for rewritten_to 'start'; then
    echo "FAIL Pastrel did not rewrite the copy it found at start"
    exit 1
fi

name="formatted copy pastes as the same plain text"
copy html text/html='<p>Plain <i>text</i> from X</p>' UTF8_STRING='Plain text from X'
if wait_for rewritten_to 'Plain text from X'; then pass "$name"; else fail "$name" "got '$(paste)'"; fi

name="copy with a password manager's hint is left alone until a forced rewrite"
copy secret text/html='<b>s3cret</b>' UTF8_STRING='s3cret' x-kde-passwordManagerHint=secret
secret_owner=$last_offer
if ! wait_for requested secret x-kde-passwordManagerHint; then
    fail "$name" "Pastrel never read the hint"
else
    sleep 0.5 # a rewrite would follow within milliseconds of reading the hint
    if ! still_serving "$secret_owner" || ! offers_html; then
        fail "$name" "the copy was taken over"
    else
        wine "$pastrel" /R >/dev/null 2>&1
        if wait_for rewritten_to 's3cret'; then pass "$name"; else fail "$name" "/R gave '$(paste)'"; fi
    fi
fi

name="copy with a hint other than secret is rewritten"
copy public text/html='<b>open</b>' UTF8_STRING='open' x-kde-passwordManagerHint=public
if wait_for rewritten_to 'open'; then pass "$name"; else fail "$name" "got '$(paste)'"; fi

# A file manager copies files as text/uri-list (GNOME's file manager adds its own target), which Wine hands to Windows
# programs as a file list of Z:\ paths. With full paths chosen, X programs must get the files' Linux paths back.
name="copied files paste as their Linux paths"
copied="$work/copied files"
mkdir -p "$copied"
first="$copied/a b.txt"
second="$copied/日本語 ファイル.txt"
touch "$first" "$second"
file_uri() { python3 -c 'import sys, urllib.parse; print("file://" + urllib.parse.quote(sys.argv[1]), end="")' "$1"; }
copy files text/uri-list="$(file_uri "$first")"$'\r\n'"$(file_uri "$second")"$'\r\n' \
    x-special/gnome-copied-files="copy"$'\n'"$(file_uri "$first")"$'\n'"$(file_uri "$second")"
files_rewritten() { ! paste -t TARGETS | grep -qx text/uri-list && [ "$(paste -t UTF8_STRING)" = "$1" ]; }
if wait_for files_rewritten "$first"$'\n'"$second"; then
    pass "$name"
else
    fail "$name" "got '$(paste -t UTF8_STRING)'"
fi

# Wine answers text/plain and STRING in ISO-8859-1 whatever the locale, so Japanese arrives there as "?"; it answers
# COMPOUND_TEXT through the Unix locale's character set, which is what the UTF-8 locale is for.
name="Japanese survives UTF8_STRING, TEXT and COMPOUND_TEXT"
japanese='日本語の「テキスト」、かな・カナ'
# Compound text designates JIS X 0208 as ESC $ ( B, which ISO-2022-JP spells ESC $ B.
compound_to_utf8() { sed 's/\x1b\$(B/\x1b$B/g' | { cat; printf '\x1b(B'; } | iconv -f ISO-2022-JP -t UTF-8 2>&1; }
copy japanese text/html="<p>$japanese</p>" UTF8_STRING="$japanese"
if ! wait_for rewritten_to "$japanese"; then
    fail "$name" "not rewritten: '$(paste)'"
elif [ "$(paste -t UTF8_STRING)" != "$japanese" ] || [ "$(paste -t TEXT)" != "$japanese" ]; then
    fail "$name" "UTF8_STRING gave '$(paste -t UTF8_STRING)', TEXT '$(paste -t TEXT)'"
elif [ "$(paste -t COMPOUND_TEXT | compound_to_utf8)" != "$japanese" ]; then
    fail "$name" "COMPOUND_TEXT gave '$(paste -t COMPOUND_TEXT | compound_to_utf8)'"
else
    pass "$name"
fi

# The rewritten copy outlives Pastrel while the Wine session lives (here another Windows program keeps it, as on a
# desktop where other Windows programs run). Once the last Windows program of the session has ended, Wine's desktop
# process lets go of the X selection about a second later, whoever wrote the copy.
name="rewritten copy outlives Pastrel"
wine notepad >/dev/null 2>&1 &
keeper=$!
sleep 1
wine "$pastrel" /X >/dev/null 2>&1
wait "$pastrel_pid"
pastrel_pid=""
outlived=true
for _ in $(seq 6); do
    sleep 0.5
    [ "$(paste)" = "$japanese" ] || { outlived=false; break; }
done
if $outlived; then pass "$name"; else fail "$name" "after /X the paste gave '$(paste)'"; fi
wine taskkill /f /im notepad.exe >/dev/null 2>&1
wait "$keeper" 2>/dev/null

# ---- The X11 companion, started beside Pastrel as tools/run.sh starts it.
# Watching off, so that only the hotkeys rewrite: Ctrl+Alt+P switches watching, Ctrl+Alt+R rewrites now.
cat > "$work/hotkeys.reg" <<'REG'
REGEDIT4

[-HKEY_CURRENT_USER\Software\Brindlewox\Pastrel\CurrentVersion]

[HKEY_CURRENT_USER\Software\Brindlewox\Pastrel\CurrentVersion]
"NoOpeningDlg"=dword:00000001
"CBWatchEnabled"=dword:00000000
"SK1_CTRL"=dword:00000001
"SK1_ALT"=dword:00000001
"SK1_VKEY"=dword:00000050
"SK2_CTRL"=dword:00000001
"SK2_ALT"=dword:00000001
"SK2_VKEY"=dword:00000052
"SK3_CTRL"=dword:00000001
"SK3_ALT"=dword:00000001
"SK3_VKEY"=dword:00000055
"ExcludePrograms"="notepad.exe; excluded_offer"
REG
wine regedit /S "$(winepath -w "$work/hotkeys.reg")" >/dev/null 2>&1
shared="$work/shared"
mkdir -p "$shared"
: > "$work/test.log" # the commands Pastrel is asked for, among its other records
PASTREL_TEST_LOG="$(winepath -w "$work/test.log")" PASTREL_X11_DIR="$shared" wine "$pastrel" >/dev/null 2>&1 &
pastrel_pid=$!
"$companion" --pid "$pastrel_pid" --exe "$pastrel" --dir "$shared" > "$work/companion.log" 2>&1 &
companion_pid=$!
companion_said() { grep -qF "$1" "$work/companion.log"; }
commands() { tr '\0' '\n' < "$work/test.log" | grep -c '^command '; }
# A hotkey pressed in X, timed from the key to the plain copy.
press() {
    local start=$EPOCHREALTIME
    xdotool key "$1"
    wait_for rewritten_to "$2" || return 1
    echo "     $1 to plain text: $(((${EPOCHREALTIME/./} - ${start/./}) / 1000)) ms"
}

name="hotkeys pressed anywhere in X reach Pastrel; the X program of each copy is reported"
if ! wait_for companion_said "Ctrl+Alt+R sends /R"; then
    fail "$name" "no grab: $(cat "$work/companion.log")"
else
    copy hotkey text/html='<b>by hotkey</b>' UTF8_STRING='by hotkey'
    sleep 0.5 # watching is off: the copy stays formatted
    if ! offers_html; then
        fail "$name" "rewritten with watching off"
    elif [ "$(cat "$shared/owner")" != x11_offer ]; then
        fail "$name" "the owner was reported as '$(cat "$shared/owner")'"
    elif ! press ctrl+alt+r 'by hotkey'; then
        fail "$name" "Ctrl+Alt+R left '$(paste -t TARGETS | tr '\n' ' ')'"
    elif [ -n "$(cat "$shared/owner")" ]; then
        fail "$name" "Wine's own copy was reported as '$(cat "$shared/owner")'"
    else
        xdotool key ctrl+alt+p # watching on
        copy watched text/html='<i>watched</i>' UTF8_STRING='watched'
        if wait_for rewritten_to 'watched'; then
            pass "$name"
        else
            fail "$name" "Ctrl+Alt+P did not switch watching on"
        fi
    fi
fi

name="an X program named in ExcludePrograms keeps its copy formatted; the third hotkey takes a rewrite back"
cp "$offer" "$work/excluded_offer"
: > "$work/excluded"
pid=$("$work/excluded_offer" -l 120 -r "$work/excluded" text/html='<b>kept</b>' UTF8_STRING='kept')
offer_pids+=("$pid")
sleep 1
if ! offers_html || [ "$(paste)" != kept ]; then
    fail "$name" "the excluded program's copy became '$(paste -t TARGETS | tr '\n' ' ')'"
else
    copy undo text/html='<u>undo</u>' UTF8_STRING='undo'
    if ! wait_for rewritten_to 'undo'; then
        fail "$name" "a listed program's name kept another program's copy formatted"
    else
        xdotool key ctrl+alt+u
        if wait_for offers_html && [ "$(paste)" = undo ] && paste -t text/html | grep -q '<u>undo</u>'; then
            pass "$name"
        else
            fail "$name" "Ctrl+Alt+U left '$(paste -t TARGETS | tr '\n' ' ')'"
        fi
    fi
fi

# Wine's own hotkey fires while one of its windows has the focus (here the settings dialog, which Wine focuses); the
# companion's grab must take its place, not come on top.
name="a hotkey pressed while a Pastrel window has the focus acts once"
before=$(commands)
wine "$driver" settings >/dev/null 2>&1
focused=$(xdotool getwindowfocus getwindowname 2>/dev/null)
xdotool key ctrl+alt+p
wait_for eval '[ "$(commands)" -gt "$before" ]'
sleep 1 # a second action would follow within milliseconds
if [ "$focused" != "Settings - Pastrel" ]; then
    fail "$name" "the focus was on '$focused'"
elif [ "$(commands)" != $((before + 1)) ]; then
    fail "$name" "$(($(commands) - before)) commands"
else
    pass "$name"
fi
wine "$driver" dismiss >/dev/null 2>&1

# Another X client holds Ctrl+Alt+G (here a second companion, which grabs its own list).
name="hotkeys changed in the dialog are grabbed at once; a combination another client holds is reported"
mkdir -p "$work/other"
printf 'SK1_CTRL=1\nSK1_ALT=1\nSK1_VKEY=71\n' > "$work/other/hotkeys"
sleep 600 &
grabber_pid=$!
"$companion" --pid "$grabber_pid" --exe /bin/true --dir "$work/other" > "$work/grabber.log" 2>&1 &
grabber_pid="$grabber_pid $!"
wine "$pastrel" /P0 >/dev/null 2>&1
if ! wait_for grep -q "Ctrl+Alt+G sends" "$work/grabber.log"; then
    fail "$name" "the other client did not grab: $(cat "$work/grabber.log")"
elif ! wine "$driver" hotkey2 G >/dev/null 2>&1 || ! wait_for companion_said "Ctrl+Alt+G is already taken"; then
    fail "$name" "no warning: $(cat "$work/companion.log")"
else
    start=$EPOCHREALTIME
    wine "$driver" hotkey2 T >/dev/null 2>&1
    if ! wait_for companion_said "Ctrl+Alt+T sends /R"; then
        fail "$name" "Ctrl+Alt+T was not grabbed: $(cat "$work/companion.log")"
    else
        echo "     dialog OK to the new grab: at most $(((${EPOCHREALTIME/./} - ${start/./}) / 1000)) ms"
        copy changed text/html='<b>changed</b>' UTF8_STRING='changed'
        if [ "$(grep -c "already taken" "$work/companion.log")" != 1 ]; then
            fail "$name" "not one warning: $(cat "$work/companion.log")"
        elif ! press ctrl+alt+t 'changed'; then
            fail "$name" "Ctrl+Alt+T left '$(paste -t TARGETS | tr '\n' ' ')'"
        else
            pass "$name"
        fi
    fi
fi

name="Pastrel's last copy outlives it for X programs until another one copies"
wine "$pastrel" /X >/dev/null 2>&1
wait "$pastrel_pid"
pastrel_pid=""
sleep 3
if [ "$(paste)" != 'changed' ] || [ "$(paste -t text/plain\;charset=utf-8)" != 'changed' ] ||
    [ "$(paste -t STRING)" != 'changed' ]; then
    fail "$name" "3 s after /X: '$(paste)' from '$(paste -t TARGETS | tr '\n' ' ')'"
elif ! still_serving "$companion_pid"; then
    fail "$name" "the companion has ended"
else
    copy next UTF8_STRING='next copy'
    if wait_for eval "! still_serving $companion_pid" && [ "$(paste)" = 'next copy' ]; then
        pass "$name"
    else
        fail "$name" "the companion still serves: '$(paste)'"
    fi
fi

name="a copy that an X program owns is never taken when Pastrel ends"
PASTREL_X11_DIR="$shared" wine "$pastrel" >/dev/null 2>&1 & # watching stays off, as saved
pastrel_pid=$!
"$companion" --pid "$pastrel_pid" --exe "$pastrel" --dir "$shared" > "$work/companion.log" 2>&1 &
companion_pid=$!
wait_for companion_said "sends /R"
copy plain UTF8_STRING='plain from X'
plain_owner=$last_offer
wait_for requested plain TARGETS # Wine has looked at it
wine "$pastrel" /X >/dev/null 2>&1
wait "$pastrel_pid"
pastrel_pid=""
if ! wait_for eval "! still_serving $companion_pid"; then
    fail "$name" "the companion stays: $(cat "$work/companion.log")"
elif ! still_serving "$plain_owner" || [ "$(paste)" != 'plain from X' ]; then
    fail "$name" "the X program lost its copy: '$(paste)'"
else
    pass "$name"
fi

[ "$failures" -eq 0 ]
