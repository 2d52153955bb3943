# Shared Wine set-up for the run and test scripts (sourced, not run).

# Japanese fonts for Japanese faces and silence instead of ALSA complaints; for a headless display without a window
# manager also frames drawn by Wine and unmanaged windows (removing a managed tray-icon window otherwise waits two
# seconds for a window manager that never answers). $1 is "headless" or "desktop".
wine_configure_prefix() {
    local reg="$WINEPREFIX/pastrel-setup.reg"
    local decorated="Y" managed="Y"
    [ "${1:-headless}" = headless ] && decorated="N" && managed="N"
    cat > "$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Decorated"="$decorated"
"Managed"="$managed"

REG
    cat >> "$reg" <<'REG'
[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"=""

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS PGothic"="IPAPGothic"
"Meiryo UI"="IPAPGothic"
"Meiryo"="IPAGothic"
REG
    wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1 || true
    # "ＭＳ Ｐゴシック" (full-width letters), written with reg.exe so that the non-ASCII name needs no escaping.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1 || true
    # Only Japanese faces are replaced: Wine's own font links reach "MS UI Gothic" (that is, IPAPGothic) for Japanese
    # text in the UI fonts. A link of a UI font to a Japanese face would draw English menus and dialogs in that face,
    # as Debian's Wine comes without Tahoma; such links are removed from the prefix.
    local font
    for font in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
        wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$font" /f \
            >/dev/null 2>&1 || true
    done
}

# Creates the prefix on first use and (re)applies the settings above when they changed. $1 as above.
wine_ensure_prefix() {
    local mode="${1:-headless}" stamp="$WINEPREFIX/pastrel-setup.stamp" want
    want=$( (declare -f wine_configure_prefix; echo "$mode") | md5sum | cut -d' ' -f1)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        echo "Creating the Wine prefix $WINEPREFIX ..."
        wineboot --init >/dev/null 2>&1 || true
        wineserver -w
    fi
    if [ "$(cat "$stamp" 2>/dev/null)" != "$want" ]; then
        wine_configure_prefix "$mode"
        wineserver -w
        echo "$want" > "$stamp"
    fi
}

# Wine answers X clients asking for text/plain in the character set of the Unix locale, so under a locale without
# UTF-8 (LANG unset, C, ja_JP.eucJP ...) every Japanese character arrives as "?". Switches only the character set:
# the language stays (ja_JP.eucJP becomes ja_JP.UTF-8 when that locale is installed), otherwise C.UTF-8, which Debian
# always has.
use_utf8_locale() {
    local current="${LC_ALL:-${LC_CTYPE:-${LANG:-}}}"
    case "$current" in *[Uu][Tt][Ff]-8* | *[Uu][Tt][Ff]8*) return 0 ;; esac
    local language="${current%%[.@]*}" wanted=C.UTF-8
    if [ -n "$language" ] && [ "$language" != C ] && [ "$language" != POSIX ] &&
        locale -a 2>/dev/null | grep -qix "$language\.utf-\?8"; then
        wanted="$language.UTF-8"
    fi
    if [ -n "${LC_ALL:-}" ]; then export LC_ALL="$wanted"; else export LC_CTYPE="$wanted"; fi
}

# A free X display number.
free_display() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    echo "$n"
}

# A headless Wine session for tests and benchmarks: its own Xvfb display, the prefix under the build folder and a
# warmed persistent wineserver, all ended when the calling script exits.
wine_headless_session() {
    local build="$1"
    use_utf8_locale # before the first Wine program: Wine's desktop process answers the X clients
    export WINEPREFIX="$build/wineprefix"
    export WINEDEBUG=-all
    export WINEARCH=win64
    export DISPLAY=":$(free_display)"
    Xvfb "$DISPLAY" -screen 0 "${PASTREL_SCREEN:-1280x800x24}" -nolisten tcp >/dev/null 2>&1 &
    PASTREL_XVFB_PID=$!
    trap wine_headless_cleanup EXIT
    local _
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    wine_ensure_prefix headless
    # A persistent, warmed wineserver keeps each program start at tens of milliseconds.
    wineserver -p 2>/dev/null || true # one may already serve this prefix
    wine cmd /c exit >/dev/null 2>&1 || true
}

wine_headless_cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${PASTREL_XVFB_PID:-}" ] && kill "$PASTREL_XVFB_PID" >/dev/null 2>&1 || true
    wait >/dev/null 2>&1 || true
}
