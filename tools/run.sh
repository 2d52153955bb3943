#!/usr/bin/env bash
# Installs what is missing, builds, and starts Pastrel under Wine on your own desktop. Text copied with formatting in
# any X11 application then pastes as plain text (Wine bridges the X clipboard).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/deps.sh"
"$root/tools/build.sh" -DPASTREL_TESTS=OFF
source "$root/tools/wine-lib.sh"

export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-pastrel}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
if [ -z "${DISPLAY:-}" ]; then
    echo "No DISPLAY: start this from your desktop session." >&2
    exit 1
fi
use_utf8_locale
wine_ensure_prefix desktop
echo "Pastrel is running in the notification area (Wine's system tray). Run it again with /X to end it."
exec wine "$root/build/bin/Pastrel.exe" "$@"
