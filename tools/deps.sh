#!/usr/bin/env bash
# Installs what building and running Pastrel needs on Debian 12, when it is missing.
set -euo pipefail

# gcc, libc6-dev and libx11-dev build the host-side X11 client of the X-side tests (tests/x11/x11_offer.c); with
# libxfixes-dev and libxres-dev they build the X11 companion (linux/pastrel_x11.c), and xdotool presses its hotkeys in
# the X-side tests.
# fp-utils-3.2.2 brings chmcmd, which compiles the help file Pastrel.chm, and chmls, which its test lists it with.
# unzip checks and unpacks the Windows download in its test, a reader other than the Python that writes it.
# desktop-file-utils (desktop-file-validate) and libglib2.0-bin (gio launch) check and run the login entry that
# tools/run.sh --autostart writes, in the desktop test.
packages=(cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
          libboost1.81-dev googletest wine wine64 xvfb xauth x11-utils xclip fonts-ipafont-gothic python3
          gcc libc6-dev libx11-dev libxfixes-dev libxres-dev xdotool fp-utils-3.2.2 unzip desktop-file-utils libglib2.0-bin)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
