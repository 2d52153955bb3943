#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless under Wine: a private Xvfb display and a private
# Wine prefix; nothing is left running afterwards.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"
"$root/tools/deps.sh"
"$root/tools/build.sh" -DPASTREL_TESTS=ON
source "$root/tools/wine-lib.sh"
# Wine takes the work area from the display its session started on: the dialog layout is tested first in a session on
# a screen of another shape, then everything in the usual one.
PASTREL_SCREEN=1024x768x24 wine_headless_session "$build"
(cd "$build" && ctest --output-on-failure --timeout 300 -R '^ui_tests$')
wine_headless_cleanup
wine_headless_session "$build"
cd "$build"
ctest --output-on-failure --timeout 900 "$@"
