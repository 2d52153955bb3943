#!/usr/bin/env bash
# Cross-compiles Pastrel.exe (and the tests) into build/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PASTREL_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
