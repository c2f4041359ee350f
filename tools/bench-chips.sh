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

. tools/wine-arch.sh
wine_pick_arch
echo "== Windows build under Wine (build/$wine_arch: $wine_arch_why)"
windows_build "$wine_arch" "$(nproc)" -- bench_chips >/dev/null
TIV_WINE_ARCH=$wine_arch tools/bench.sh "build/$wine_arch" wine "build/$wine_arch/tests/bench/bench_chips.exe" "$secs"
