#!/usr/bin/env bash
# Cross-compiles Pastrel.exe (and the tests) into build/.
#
#   build.sh [-DOPTION=VALUE ...] [--target TARGET ...]
#
# -D options go to CMake's configuration; without --target everything is built, with it only those targets
# (tools/run.sh builds the target `program`).
#
# A configuration is only attempted with the cross compilers at hand (what is missing is installed first), and a
# cache that a failed or interrupted configuration left behind is not reused: CMake fills in the compilers' flags
# only while it detects them, so such a cache would build everything without optimisation from then on.
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

# The tools the toolchain file names (cmake/mingw-w64-x86_64.cmake), and CMake and Ninja themselves.
tools=(cmake ninja x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres)
missing_tools() {
    local tool
    for tool in "${tools[@]}"; do command -v "$tool" >/dev/null || echo "$tool"; done
}
if [ -n "$(missing_tools)" ]; then
    "$root/tools/deps.sh"
    missing="$(missing_tools | tr '\n' ' ')"
    if [ -n "$missing" ]; then
        echo "build.sh: not configuring without $missing(not found in PATH after tools/deps.sh)" >&2
        exit 1
    fi
fi

# "configuring" while CMake runs, "ok" once it succeeded; a folder configured before this marker existed has a
# build.ninja of its own.
marker="$build/.pastrel-configure"
state="$(cat "$marker" 2>/dev/null || true)"
if [ -f "$build/CMakeCache.txt" ] && { [ "$state" = configuring ] || { [ -z "$state" ] && [ ! -f "$build/build.ninja" ]; }; }; then
    echo "build.sh: the last configuration of $build did not finish; configuring afresh"
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
mkdir -p "$build"
echo configuring > "$marker"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release "${options[@]}" >/dev/null
echo ok > "$marker"
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
