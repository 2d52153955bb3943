#!/usr/bin/env bash
# Cross-compiles Pastrel.exe (and the tests) into build/.
#
#   build.sh [-DOPTION=VALUE ...] [--target TARGET ...]
#
# -D options go to CMake's configuration; without --target everything is built, with it only those targets
# (tools/run.sh builds the target `program`).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"
options=()
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
    --target)
        targets+=(--target "$2")
        shift 2
        ;;
    *)
        options+=("$1")
        shift
        ;;
    esac
done
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
