#!/usr/bin/env bash
# Installs what is missing, builds the program, and starts Pastrel under Wine on your own desktop. Text copied with
# formatting in any X11 application then pastes as plain text (Wine bridges the X clipboard).
#
#   run.sh [--autostart | --no-autostart] [--no-setup] [SWITCH]
#
# --autostart     start Pastrel at every login too (a desktop autostart entry for this user), and now
# --no-autostart  remove that entry; nothing is started
# --no-setup      no package check, no build, no Wine prefix set-up: start what is there (the login entry does this)
# SWITCH          one of Pastrel's own switches, such as /X (end it) or /R (rewrite the clipboard now)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"

autostart="" setup=true args=()
for arg in "$@"; do
    case "$arg" in
    --autostart | --no-autostart) autostart="$arg" ;;
    --no-setup) setup=false ;;
    *) args+=("$arg") ;;
    esac
done

# Wine wants an absolute prefix, and the login entry must name the same one.
WINEPREFIX="$(realpath -ms "${WINEPREFIX:-$HOME/.wine-pastrel}")"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64

# The autostart entry, where desktops following the freedesktop.org autostart rules look for it (a relative
# XDG_CONFIG_HOME counts as unset).
config_home="${XDG_CONFIG_HOME:-}"
[[ $config_home == /* ]] || config_home="$HOME/.config"
entry="$config_home/autostart/pastrel.desktop"

# One argument of a desktop entry's Exec line: quoted when it holds a reserved character, with ", `, $ and \
# escaped inside the quotes.
exec_argument() {
    local arg="$1"
    case "$arg" in
    *[[:space:]\"\'\\\>\<~\|\&\;\$\*\?\#\(\)\`]*)
        arg="${arg//\\/\\\\}"
        arg="${arg//\"/\\\"}"
        arg="${arg//\`/\\\`}"
        arg="${arg//\$/\\\$}"
        arg="\"$arg\""
        ;;
    esac
    printf '%s' "$arg"
}

# The Exec value: the arguments joined, then the escapes of every string value (a backslash written twice, line
# breaks and tabs as \n, \r, \t) and a literal % written twice, which would otherwise start a field code.
exec_line() {
    local line="" arg
    for arg in "$@"; do line+="${line:+ }$(exec_argument "$arg")"; done
    line="${line//\\/\\\\}"
    line="${line//$'\n'/\\n}"
    line="${line//$'\r'/\\r}"
    line="${line//$'\t'/\\t}"
    printf '%s' "${line//%/%%}"
}

write_autostart_entry() {
    local command=(env "WINEPREFIX=$WINEPREFIX")
    [ -n "${PASTREL_BUILD_DIR:-}" ] && command+=("PASTREL_BUILD_DIR=$(realpath -ms "$PASTREL_BUILD_DIR")")
    command+=("$root/tools/run.sh" --no-setup)
    mkdir -p "$(dirname "$entry")"
    cat > "$entry.tmp" <<ENTRY
[Desktop Entry]
Type=Application
Name=Pastrel
Comment=Makes every paste plain text (under Wine)
Comment[ja]=貼り付けをいつもプレーンテキストに (Wine で)
Exec=$(exec_line "${command[@]}")
Terminal=false
X-GNOME-Autostart-enabled=true
ENTRY
    mv "$entry.tmp" "$entry"
}

# Pids of the Pastrel processes of this Wine prefix. Wine names each process after its .exe, and a Windows process
# keeps the WINEPREFIX it was started with (Wine's default, ~/.wine, when none was set).
running_pastrel() {
    local dir name prefix
    for dir in /proc/[0-9]*; do
        read -r name 2>/dev/null < "$dir/comm" || continue # a process that just ended
        [[ $name == Pastrel*.exe ]] || continue
        prefix=$(tr '\0' '\n' 2>/dev/null < "$dir/environ" | sed -n 's/^WINEPREFIX=//p') || continue
        [ "$(realpath -ms "${prefix:-$HOME/.wine}")" = "$WINEPREFIX" ] && echo "${dir#/proc/}"
    done
    return 0
}

case "$autostart" in
--autostart)
    write_autostart_entry
    echo "Pastrel now starts at every login ($entry); tools/run.sh --no-autostart undoes this."
    ;;
--no-autostart)
    rm -f "$entry"
    echo "Pastrel no longer starts at login ($entry removed)."
    exit 0
    ;;
esac

if $setup; then
    "$root/tools/deps.sh"
    "$root/tools/build.sh" --target program
fi
source "$root/tools/wine-lib.sh"
if [ -z "${DISPLAY:-}" ]; then
    echo "No DISPLAY: start this from your desktop session." >&2
    exit 1
fi
if [ ! -f "$build/bin/Pastrel.exe" ]; then
    echo "$build/bin/Pastrel.exe is missing: run tools/run.sh without --no-setup to build it." >&2
    exit 1
fi
use_utf8_locale
$setup && wine_ensure_prefix desktop

# Pastrel takes its whole command line as one switch, in any case.
switch="${args[*]:-}"
switch="${switch^^}"
running="$(running_pastrel)"
if [ -n "$running" ]; then
    case "$switch" in
    /P | /P0 | /P1 | /R) echo "Pastrel is already running (pid ${running//$'\n'/, }): $switch goes to it." ;;
    /X) echo "Ending the Pastrel that is running (pid ${running//$'\n'/, })." ;;
    *)
        # Starting it anyway shows the already-running dialog, which can end it or open its settings.
        if [ "$autostart" = --autostart ]; then
            echo "Pastrel is already running (pid ${running//$'\n'/, })."
            exit 0
        fi
        echo "Pastrel is already running (pid ${running//$'\n'/, }): a second start only shows its dialog" \
             "(end it or open its settings)."
        ;;
    esac
else
    case "$switch" in
    /X)
        echo "Pastrel is not running."
        exit 0
        ;;
    /OR | /RO | '/?') ;;
    *) echo "Starting Pastrel in the notification area (Wine's system tray). Run tools/run.sh /X to end it." ;;
    esac
fi
exec wine "$build/bin/Pastrel.exe" "${args[@]}"
