#!/usr/bin/env bash
# Installs what is missing, builds the program, and starts Pastrel under Wine on your own desktop, in the background
# with its X11 companion (linux/pastrel_x11.c: global hotkeys, the last copy kept after Pastrel ends, the focus after
# the floating button, the X programs behind copies). Text copied with formatting in any X11 application then pastes
# as plain text (Wine bridges the X clipboard). Their messages go to a log file, which the script names.
#
#   run.sh [--autostart | --no-autostart | --bind-keys] [--no-setup] [SWITCH]
#
# --autostart     start Pastrel at every login too (a desktop autostart entry for this user), and now
# --no-autostart  remove that entry; nothing is started
# --bind-keys     bind GNOME's own shortcuts to Pastrel's hotkeys (for Wayland sessions); nothing is started
# --no-setup      no package check, no build, no Wine prefix set-up: start what is there (the login entry does this)
# SWITCH          one of Pastrel's own switches, such as /X (end it) or /R (rewrite the clipboard now)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"

autostart="" setup=true args=()
for arg in "$@"; do
    case "$arg" in
    --autostart | --no-autostart | --bind-keys) autostart="$arg" ;;
    --no-setup) setup=false ;;
    *) args+=("$arg") ;;
    esac
done

# Wine wants an absolute prefix, and the login entry must name the same one.
WINEPREFIX="$(realpath -ms "${WINEPREFIX:-$HOME/.wine-pastrel}")"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64

# The log of Pastrel and its companion, where the XDG base directory rules keep state (a relative XDG_STATE_HOME counts
# as unset); the folder the two share lies in the Wine prefix.
state_home="${XDG_STATE_HOME:-}"
[[ $state_home == /* ]] || state_home="$HOME/.local/state"
log="$state_home/pastrel/pastrel.log"
companion_dir="$WINEPREFIX/pastrel-x11"
companion="$build/host/pastrel_x11"

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
    [ -n "${PASTREL_LANG:-}" ] && command+=("PASTREL_LANG=$PASTREL_LANG")
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

# Pastrel's hotkeys as GNOME accelerators ("<Control><Alt>r"), one "SWITCH ACCELERATOR" line each, from the list that
# Pastrel gives its companion whenever it registers them.
hotkey_accelerators() {
    [ -f "$companion_dir/hotkeys" ] || return 0
    awk -F= '
        /^SK[123]_/ { n = substr($1, 3, 1); field = substr($1, 5); value[n, field] = $2 + 0 }
        END {
            split("/P /R /U", switches, " ")
            for (n = 1; n <= 3; n++) {
                vkey = value[n, "VKEY"]
                if (vkey >= 65 && vkey <= 90) key = sprintf("%c", vkey + 32)
                else if (vkey >= 48 && vkey <= 57) key = sprintf("%c", vkey)
                else if (vkey >= 112 && vkey <= 135) key = "F" (vkey - 111)
                else continue
                printf "%s %s%s%s%s\n", switches[n], value[n, "SHIFT"] ? "<Shift>" : "",
                       value[n, "CTRL"] ? "<Control>" : "", value[n, "ALT"] ? "<Alt>" : "", key
            }
        }' "$companion_dir/hotkeys"
}

# Wayland gives X programs (XWayland) no key grabs beyond their own windows: the desktop's own shortcuts must run the
# switches instead.
on_wayland() { [ -n "${WAYLAND_DISPLAY:-}" ] || [ "${XDG_SESSION_TYPE:-}" = wayland ]; }

# The commands that carry out Pastrel's hotkeys, for the desktop's own shortcuts.
print_switch_commands() {
    local sw
    for sw in /P /R /U; do echo "    $root/tools/run.sh --no-setup $sw"; done
}

# A string in GVariant's text form, as gsettings reads its values.
gvariant_string() {
    local text="${1//\\/\\\\}"
    text="${text//\'/\\\'}"
    printf "'%s'" "$text"
}

# GNOME's custom shortcuts, one per hotkey of Pastrel's, added to the ones the user has (an earlier binding of
# Pastrel's is replaced).
bind_gnome_keys() {
    local schema=org.gnome.settings-daemon.plugins.media-keys
    local base=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings
    if ! command -v gsettings >/dev/null || ! gsettings list-keys "$schema" >/dev/null 2>&1; then
        echo "GNOME's gsettings is not here: bind your desktop's own shortcuts by hand to these commands:" >&2
        print_switch_commands >&2
        return 1
    fi
    local bindings sw accelerator name path list command=(env "WINEPREFIX=$WINEPREFIX")
    [ -n "${PASTREL_BUILD_DIR:-}" ] && command+=("PASTREL_BUILD_DIR=$(realpath -ms "$PASTREL_BUILD_DIR")")
    command+=("$root/tools/run.sh" --no-setup)
    bindings="$(hotkey_accelerators)"
    if [ -z "$bindings" ]; then
        echo "Pastrel has no hotkeys yet: choose them in its hotkey dialog (Settings), then run this again." >&2
        return 1
    fi
    list="$(gsettings get "$schema" custom-keybindings)"
    while read -r sw accelerator; do
        name="pastrel-${sw#/}"
        path="$base/${name,,}/"
        gsettings set "$schema.custom-keybinding:$path" name "$(gvariant_string "Pastrel $sw")"
        gsettings set "$schema.custom-keybinding:$path" command \
            "$(gvariant_string "$(printf '%q ' "${command[@]}" "$sw")")"
        gsettings set "$schema.custom-keybinding:$path" binding "$(gvariant_string "$accelerator")"
        echo "GNOME shortcut $accelerator runs tools/run.sh $sw"
        [[ $list == *"'$path'"* ]] && continue
        case "$list" in
        "@as []" | "[]") list="['$path']" ;;
        *) list="${list%]}, '$path']" ;;
        esac
    done <<< "$bindings"
    gsettings set "$schema" custom-keybindings "$list"
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
--bind-keys)
    bind_gnome_keys
    exit
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
    /P | /P0 | /P1 | /R | /U) echo "Pastrel is already running (pid ${running//$'\n'/, }): $switch goes to it." ;;
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
    exec wine "$build/bin/Pastrel.exe" "${args[@]}"
fi
case "$switch" in
/X)
    echo "Pastrel is not running."
    exit 0
    ;;
/OR | /RO | '/?') exec wine "$build/bin/Pastrel.exe" "${args[@]}" ;;
esac

# Pastrel and its companion run in sessions of their own, so that closing the terminal ends neither.
mkdir -p "$(dirname "$log")" "$companion_dir"
rm -f "$companion_dir/owner" "$companion_dir/focus"
export PASTREL_X11_DIR="$companion_dir"
echo "--- $(date '+%F %T') tools/run.sh ${args[*]:-}" >> "$log"
setsid wine "$build/bin/Pastrel.exe" "${args[@]}" >> "$log" 2>&1 < /dev/null &
pastrel_pid=$!
companion_options=()
if on_wayland; then
    companion_options+=(--no-keys)
    echo "This is a Wayland session, where X programs cannot have global hotkeys: Pastrel's hotkeys work only while" \
         "one of its windows has the focus. Bind your desktop's own shortcuts to these commands instead" \
         "(tools/run.sh --bind-keys does it on GNOME):"
    print_switch_commands
fi
if [ -x "$companion" ]; then
    setsid "$companion" --pid "$pastrel_pid" --exe "$build/bin/Pastrel.exe" --dir "$companion_dir" \
        "${companion_options[@]}" >> "$log" 2>&1 < /dev/null &
else
    echo "$companion is missing (run tools/run.sh without --no-setup): no global hotkeys." >&2
fi
echo "Starting Pastrel in the notification area (Wine's system tray); messages go to $log." \
     "Run tools/run.sh /X to end it."
