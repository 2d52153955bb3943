#!/usr/bin/env bash
# tools/build.sh on a machine whose cross compilers are not (yet) on the PATH: it refuses to configure, and a cache
# that an earlier configuration left when it failed for want of a compiler does not make the next build unoptimised.
# Works in a scratch build folder and compiles one source file of the program, whose compile command is checked.
#
#   run.sh
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/lib.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
build="$work/build"
object=CMakeFiles/pastrel_core.dir/convert/lines.cpp.obj

# A PATH with what the scripts and CMake run, but without the cross compilers.
nocc="$work/bin"
mkdir -p "$nocc"
for tool in bash sh env cmake ninja dirname nproc dpkg-query grep id rm mkdir cat tr uname; do
    ln -s "$(command -v "$tool")" "$nocc/$tool"
done

if PATH="$nocc" PASTREL_BUILD_DIR="$build" bash "$root/tools/build.sh" >"$work/refused.log" 2>&1; then
    fail "refuses without a compiler" "build.sh succeeded with no cross compiler on the PATH"
elif ! grep -q "x86_64-w64-mingw32-g++-posix" "$work/refused.log"; then
    fail "refuses without a compiler" "the message does not name the compiler: $(cat "$work/refused.log")"
elif [ -e "$build/CMakeCache.txt" ]; then
    fail "refuses without a compiler" "CMake ran and left a cache"
else
    pass "refuses without a compiler"
fi

# What a configuration without compilers leaves behind (an earlier build.sh ran CMake straight away).
PATH="$nocc" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null 2>&1
if ! grep -qx 'CMAKE_CXX_FLAGS_RELEASE:STRING=' "$build/CMakeCache.txt" 2>/dev/null; then
    fail "failed configuration" "expected a cache with empty release flags; got: $(grep FLAGS_RELEASE \
        "$build/CMakeCache.txt" 2>&1 | head -3)"
fi

if ! PASTREL_BUILD_DIR="$build" bash "$root/tools/build.sh" -DPASTREL_TESTS=OFF -DPASTREL_BENCH=OFF \
    --target "$object" >"$work/build.log" 2>&1; then
    fail "build after a failed configuration" "$(tail -20 "$work/build.log")"
else
    command="$(ninja -C "$build" -t commands "$object" | tail -1)"
    if [[ " $command " == *" -O3 "* && " $command " == *" -DNDEBUG "* && -s "$build/$object" ]]; then
        pass "build after a failed configuration is optimised"
    else
        fail "build after a failed configuration is optimised" "compiled with: $command"
    fi
    # The cache was made afresh with the compilers found, not patched over.
    if grep -q '^CMAKE_CXX_FLAGS_RELEASE:STRING=..*' "$build/CMakeCache.txt"; then
        pass "the failed configuration's cache is not reused"
    else
        fail "the failed configuration's cache is not reused" "$(grep FLAGS_RELEASE "$build/CMakeCache.txt")"
    fi
fi

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
