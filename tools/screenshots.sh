#!/usr/bin/env bash
# Takes the README's screenshots under Xvfb (run by hand, not by CI): the open tray menu and a balloon, in Japanese
# and in English, into docs/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"
"$root/tools/deps.sh"
command -v import >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq imagemagick; }
"$root/tools/build.sh" -DPASTREL_TESTS=ON
source "$root/tools/wine-lib.sh"
wine_headless_session "$build"
mkdir -p "$root/docs"
cd "$build/bin"
wine reg add 'HKCU\Software\Brindlewox\Pastrel\CurrentVersion' /v NoOpeningDlg /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Brindlewox\Pastrel\CurrentVersion' /v SHOW_BALLOON /t REG_DWORD /d 1 /f >/dev/null 2>&1
for lang in ja en; do
    PASTREL_LANG=$lang wine Pastrel.exe &
    sleep 3
    wine shot_driver.exe balloon
    sleep 1.5
    import -window root -crop 280x105+0+0 +repage "$root/docs/balloon-$lang.png"
    sleep 3 # the balloon goes after three seconds
    wine shot_driver.exe menu
    sleep 0.5
    import -window root "$root/docs/menu-$lang.png"
    convert "$root/docs/menu-$lang.png" -trim +repage "$root/docs/menu-$lang.png"
    wine Pastrel.exe /X
    sleep 3 # the next start must not find this instance still running
done
echo "Screenshots are in docs/."
