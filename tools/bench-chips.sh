#!/usr/bin/env bash
# Real-time factor of every sound-chip core under a busy load, natively
# (an optimised build without sanitizers) and the Windows build under Wine.
#   tools/bench-chips.sh [cpu-seconds-per-figure]   (default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
secs=${1:-2}

echo "== native (build/bench-native, Release)"
cmake --no-warn-unused-cli -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIV_SANITIZE=OFF >/dev/null
cmake --build build/bench-native --target bench_chips >/dev/null
build/bench-native/tests/bench/bench_chips "$secs"

echo "== Windows build under Wine (build/win32)"
cmake --no-warn-unused-cli -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 --target bench_chips >/dev/null
tools/bench.sh build/win32 wine build/win32/tests/bench/bench_chips.exe "$secs"
