#!/usr/bin/env bash
# scripts/build.sh: builds the 32-bit product and the 64-bit build (with tests) that runs here.
# TOVRA_BUILD names the build folder (default: build).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOVRA_BUILD:-$top/build}
jobs=$(nproc)
cmake -S "$top" -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" -DTOVRA_TESTS=OFF >/dev/null
cmake --build "$build/i686" -j "$jobs" --target tovra
cmake -S "$top" -B "$build/x86_64" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-x86_64.cmake" -DTOVRA_TESTS=ON >/dev/null
cmake --build "$build/x86_64" -j "$jobs"
