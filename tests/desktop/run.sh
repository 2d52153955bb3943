#!/usr/bin/env bash
# tools/run.sh on a Linux desktop: the login entry that --autostart writes (valid, and its Exec line, run as a desktop
# runs it at login, starts Pastrel in the same Wine prefix), what run.sh says about a Pastrel that is or is not
# running, and --no-autostart. Run by ctest inside the Wine session of tools/test.sh (WINEPREFIX, DISPLAY and a
# running wineserver); run.sh runs with --no-setup, so nothing is installed, built or configured again.
#
#   run.sh BUILD_DIR X11_OFFER
set -uo pipefail
build="$1"
offer="$2"
: "${WINEPREFIX:?run this inside the Wine session of tools/test.sh}" "${DISPLAY:?no DISPLAY}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tools/wine-lib.sh"
source "$root/tests/lib.sh"
use_utf8_locale
export PASTREL_LANG=EN
pastrel="$build/bin/Pastrel.exe"
run="$root/tools/run.sh"

work="$(mktemp -d)"
started=()
# Ends what the test started: its processes, and any Pastrel in the prefix spelled as only this test spells it
# (the one the login entry started, or one that a failing step left behind).
finish() {
    local pid dir
    for pid in "${started[@]}"; do kill -9 "$pid" 2>/dev/null; done
    if [ -n "${odd_prefix:-}" ]; then
        for dir in /proc/[0-9]*; do
            grep -qzxF "WINEPREFIX=$odd_prefix" "$dir/environ" 2>/dev/null && kill -9 "${dir#/proc/}" 2>/dev/null
        done
    fi
    rm -rf "$work" # the prefix below is a link: only the link goes
}
trap finish EXIT
trap 'exit 1' INT TERM

# Settings of earlier tests must not leak in: watching on (the default), no opening dialog.
cat > "$work/settings.reg" <<'REG'
REGEDIT4

[-HKEY_CURRENT_USER\Software\Brindlewox\Pastrel\CurrentVersion]

[HKEY_CURRENT_USER\Software\Brindlewox\Pastrel\CurrentVersion]
"NoOpeningDlg"=dword:00000001
REG
wine regedit /S "$(winepath -w "$work/settings.reg")" >/dev/null 2>&1

# A home of its own, and the Wine prefix (a link to the session's) under a name that needs every quoting rule of an
# Exec line: a mistake there starts Wine in another prefix, or nothing.
export HOME="$work/home"
export XDG_CONFIG_HOME="$work/config home"
mkdir -p "$HOME"
odd_prefix="$work/pre fix \"\$x\" \`y\` \\z %u 'q' ;&|<>~#*?()="
ln -s "$WINEPREFIX" "$odd_prefix"
export WINEPREFIX="$odd_prefix"
export PASTREL_BUILD_DIR="$build"
entry="$XDG_CONFIG_HOME/autostart/pastrel.desktop"

# Whether a Pastrel watches the clipboard: a formatted copy from X comes back as plain text only.
pastrel_rewrites() {
    local pid
    pid=$("$offer" -l 30 text/html="<b>check $1</b>" UTF8_STRING="check $1") || return 1
    started+=("$pid")
    wait_for eval '! paste -t TARGETS | grep -qx text/html'
}
said() { grep -q "$2" "$work/$1.out"; }

# The processes of this test's prefix whose name (as the process list shows it) matches a pattern.
processes_named() {
    local dir name
    for dir in /proc/[0-9]*; do
        read -r name 2>/dev/null < "$dir/comm" || continue
        [[ $name == $1 ]] && grep -qzxF "WINEPREFIX=$odd_prefix" "$dir/environ" 2>/dev/null && echo "${dir#/proc/}"
    done
    return 0
}
export XDG_STATE_HOME="$work/state home"
log="$XDG_STATE_HOME/pastrel/pastrel.log"

name="--autostart writes a valid login entry and starts Pastrel and its companion in the background"
PASTREL_LANG=EN timeout 60 "$run" --autostart --no-setup > "$work/first.out" 2>&1
pastrel_pid=$(processes_named 'Pastrel*.exe')
if ! [ -f "$entry" ]; then
    fail "$name" "no entry; run.sh said: $(cat "$work/first.out")"
elif ! desktop-file-validate "$entry" > "$work/validate.out" 2>&1 || [ -s "$work/validate.out" ]; then
    fail "$name" "desktop-file-validate: $(cat "$work/validate.out")"
elif ! grep -q '^Exec=env .* PASTREL_LANG=EN ' "$entry"; then
    fail "$name" "the entry drops PASTREL_LANG: $(grep ^Exec "$entry")"
elif ! pastrel_rewrites first; then
    fail "$name" "no Pastrel rewrote a copy; run.sh said: $(cat "$work/first.out")"
elif ! said first "^Starting Pastrel.*messages go to $log" || said first 'already running' || ! [ -f "$log" ]; then
    fail "$name" "run.sh said: $(cat "$work/first.out")"
elif [ -z "$(processes_named pastrel_x11)" ]; then
    fail "$name" "no companion; the log says: $(cat "$log")"
elif [ -n "$(tr '\0' '\n' < "/proc/$pastrel_pid/cmdline" | tail -n +2 | tr -d '\n')" ]; then
    # Wine shows the Windows command line as the process's own.
    fail "$name" "run.sh passed on its own options: $(tr '\0' ' ' < "/proc/$pastrel_pid/cmdline")"
else
    pass "$name"
fi
first=$pastrel_pid

name="a second start says that Pastrel is already running"
"$run" --no-setup > "$work/second.out" 2>&1 &
second=$!
started+=("$second")
if ! wait_for said second 'already running'; then
    fail "$name" "run.sh said: $(cat "$work/second.out")"
else
    sleep 1 # the second Pastrel shows its dialog; ending it keeps the first
    { kill -9 "$second" && wait "$second"; } 2>/dev/null
    if pastrel_rewrites second; then pass "$name"; else fail "$name" "the first Pastrel is gone"; fi
fi

# The companion stays only to serve Pastrel's last copy (the rewritten check copy), until the next copy in X.
name="/X ends the running Pastrel and its companion and says so; a second /X finds none"
timeout 30 "$run" --no-setup /x > "$work/end.out" 2>&1
if ! said end '^Ending the Pastrel that is running'; then
    fail "$name" "run.sh said: $(cat "$work/end.out")"
elif ! wait_for eval "! kill -0 $first 2>/dev/null"; then
    fail "$name" "Pastrel still runs"
elif ! wait_for grep -q 'its last copy stays' "$log" || ! started+=("$("$offer" -l 30 UTF8_STRING=next)") ||
    ! wait_for eval '[ -z "$(processes_named pastrel_x11)" ]'; then
    fail "$name" "the companion stays; the log says: $(cat "$log")"
else
    timeout 30 "$run" --no-setup /X > "$work/end-again.out" 2>&1
    if said end-again '^Pastrel is not running'; then pass "$name"; else fail "$name" "$(cat "$work/end-again.out")"; fi
fi

name="the login entry's Exec line starts Pastrel in the same Wine prefix"
gio launch "$entry" > "$work/login.out" 2>&1
if ! pastrel_rewrites login; then
    fail "$name" "no Pastrel rewrote a copy; gio and run.sh said: $(cat "$work/login.out")"
else
    timeout 30 "$run" --no-setup /R > "$work/forward.out" 2>&1
    timeout 30 wine "$pastrel" /X
    timeout 30 "$run" --no-setup /X > "$work/ended.out" 2>&1
    if ! said forward 'already running.*/R goes to it'; then
        fail "$name" "Pastrel runs elsewhere; /R made run.sh say: $(cat "$work/forward.out")"
    elif ! said ended '^Pastrel is not running'; then
        fail "$name" "Pastrel.exe /X did not end it: $(cat "$work/ended.out")"
    else
        pass "$name"
    fi
fi

# GNOME's settings stand in as a file (tests/desktop/gsettings), holding a shortcut of the user's own beforehand.
name="--bind-keys binds GNOME's shortcuts to Pastrel's hotkeys, once each, beside the user's own"
export FAKE_GSETTINGS="$work/gsettings"
schema=org.gnome.settings-daemon.plugins.media-keys
echo "$schema custom-keybindings ['/mine/']" > "$FAKE_GSETTINGS"
printf 'SK1_SHIFT=0\nSK1_CTRL=1\nSK1_ALT=1\nSK1_VKEY=80\nSK2_SHIFT=1\nSK2_CTRL=0\nSK2_ALT=0\nSK2_VKEY=113\n' \
    > "$WINEPREFIX/pastrel-x11/hotkeys" # as Pastrel writes them: Ctrl+Alt+P and Shift+F2
PATH="$root/tests/desktop:$PATH" "$run" --bind-keys > "$work/bind.out" 2>&1
PATH="$root/tests/desktop:$PATH" "$run" --bind-keys >> "$work/bind.out" 2>&1
last() { grep -F "$1 $2 " "$FAKE_GSETTINGS" | tail -n 1 | cut -d' ' -f3-; }
keys="$schema.custom-keybinding:/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings"
if [ "$(last "$keys/pastrel-p/" binding)" != "'<Control><Alt>p'" ] ||
    [ "$(last "$keys/pastrel-r/" binding)" != "'<Shift>F2'" ] || [ -n "$(last "$keys/pastrel-u/" binding)" ]; then
    fail "$name" "bindings: $(grep binding "$FAKE_GSETTINGS")"
elif [[ $(last "$keys/pastrel-r/" command) != "'env WINEPREFIX="*"/tools/run.sh --no-setup /R '" ]]; then
    fail "$name" "command: $(last "$keys/pastrel-r/" command)"
elif [ "$(last $schema custom-keybindings)" != "['/mine/', '${keys#*:}/pastrel-p/', '${keys#*:}/pastrel-r/']" ]; then
    fail "$name" "list: $(last $schema custom-keybindings)"
else
    pass "$name"
fi

name="--no-autostart removes the entry and starts nothing"
timeout 20 "$run" --no-autostart > "$work/remove.out" 2>&1
if [ -e "$entry" ]; then
    fail "$name" "the entry is still there: $(cat "$work/remove.out")"
elif timeout 30 "$run" --no-setup /X > "$work/none.out" 2>&1 && ! said none '^Pastrel is not running'; then
    fail "$name" "a Pastrel runs: $(cat "$work/none.out")"
else
    pass "$name"
fi

[ "$failures" -eq 0 ]
