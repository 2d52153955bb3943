#!/usr/bin/env bash
# Takes the README's screenshots under Xvfb (run by hand, not by CI): Wine's own tray window, the open tray menu, a
# balloon and the already-running, settings and regular-expression dialogs, the multiply-by-N dialog, the About box
# and the floating button (small and widened) in Japanese and in English, and the opening dialog (Japanese only),
# into docs/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"
"$root/tools/deps.sh"
"$root/tools/build.sh" -DPASTREL_TESTS=ON
source "$root/tools/wine-lib.sh"
wine_headless_session "$build"
mkdir -p "$root/docs"
# The screen below Wine's tray window, trimmed to the dialog on it (tools/x_shot.py reads the screen through libX11).
shot_dialog() { python3 "$root/tools/x_shot.py" "$1" 1280x740+0+60 --trim; }
cd "$build/bin"
# The tests leave their settings behind (watching off, hotkeys ...): the shots start from the defaults.
wine reg delete 'HKCU\Software\Brindlewox\Pastrel\CurrentVersion' /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Brindlewox\Pastrel\CurrentVersion' /v NoOpeningDlg /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Brindlewox\Pastrel\CurrentVersion' /v SHOW_BALLOON /t REG_DWORD /d 1 /f >/dev/null 2>&1
for lang in ja en; do
    PASTREL_LANG=$lang wine Pastrel.exe &
    sleep 3
    [ "$lang" = en ] && python3 "$root/tools/x_shot.py" "$root/docs/tray-wine.png" 168x46+0+0 # Wine's own tray
    PASTREL_LANG=$lang wine Pastrel.exe & # a second start
    sleep 2
    shot_dialog "$root/docs/already-running-$lang.png"
    wine shot_driver.exe dismiss
    wine shot_driver.exe menu
    sleep 0.5
    shot_dialog "$root/docs/menu-$lang.png"
    wine shot_driver.exe escape
    wine shot_driver.exe mulbyn
    sleep 0.5
    shot_dialog "$root/docs/mul-by-n-$lang.png"
    wine shot_driver.exe dismiss
    wine shot_driver.exe settings
    sleep 0.5
    shot_dialog "$root/docs/settings-$lang.png"
    wine shot_driver.exe dismiss
    wine shot_driver.exe hotkeys
    shot_dialog "$root/docs/hotkeys-$lang.png"
    wine shot_driver.exe dismiss
    wine shot_driver.exe regex
    shot_dialog "$root/docs/regex-$lang.png"
    wine shot_driver.exe dismiss
    wine shot_driver.exe about
    sleep 1
    shot_dialog "$root/docs/about-$lang.png"
    wine shot_driver.exe dismiss
    wine shot_driver.exe balloon
    sleep 2.5 # Wine's balloon shows about 2 s after the copy
    python3 "$root/tools/x_shot.py" "$root/docs/balloon-$lang.png" 280x105+0+0
    wine Pastrel.exe /X
    sleep 3 # the next start must not find this instance still running
done
# The floating button, small and widened with its viewer showing a rewritten copy, at a place the shots know.
key='HKCU\Software\Brindlewox\Pastrel\CurrentVersion'
store() { wine reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
store SHOW_FLOATING 1
store LEFT_FLOATING 400
store TOP_FLOATING 300
for lang in ja en; do
    text="Copied from a web page: the formatting is gone."
    [ $lang = ja ] && text="ウェブページからコピー: 書式はもうありません。"
    sizes="wide"
    [ $lang = en ] && sizes="small wide" # the small button has no text: one picture serves both languages
    for size in $sizes; do
        store WIDTH_FLOATING "$([ $size = wide ] && echo 420 || echo 0)"
        store HEIGHT_FLOATING "$([ $size = wide ] && echo 110 || echo 0)"
        PASTREL_LANG=$lang wine Pastrel.exe &
        sleep 3
        wine shot_driver.exe "$text"
        sleep 1
        python3 "$root/tools/x_shot.py" "$root/docs/floating-$size-$lang.png" 600x300+380+280 --trim
        wine Pastrel.exe /X
        sleep 3
    done
done
store SHOW_FLOATING 0
wine reg add "$key" /v NoOpeningDlg /t REG_DWORD /d 0 /f >/dev/null 2>&1
PASTREL_LANG=ja wine Pastrel.exe &
sleep 3
shot_dialog "$root/docs/opening-ja.png"
wine shot_driver.exe dismiss
wine Pastrel.exe /X
echo "Screenshots are in docs/."
