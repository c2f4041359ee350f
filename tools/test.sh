#!/usr/bin/env bash
# Builds everything and runs every test: the platform-free libraries natively
# (with AddressSanitizer and UBSan), the Windows programs and their tests
# under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

bash tools/setup.sh

echo "== native build (sanitizers)"
cmake --no-warn-unused-cli -S . -B build/native -G Ninja -DTIV_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j "$jobs"

echo "== win32 build"
cmake --no-warn-unused-cli -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win32 -j "$jobs"
echo "== win32 tests under Wine"
tools/bench.sh build/win32 ctest --test-dir build/win32 --output-on-failure -j "$jobs"
