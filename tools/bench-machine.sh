#!/usr/bin/env bash
# Real-time factor of the whole sound machine (Z80, PC-8801 ports and
# timers, YM2608 with FM, SSG, ADPCM and rhythm, the VM's streams and mix)
# on the busy song tests/bench/busy_opna, natively (an optimised build
# without sanitizers) and the Windows build under Wine.
#   tools/bench-machine.sh [emulated-seconds]   (default 60)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
secs=${1:-60}

echo "== native (build/bench-native, Release)"
cmake --no-warn-unused-cli -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIV_SANITIZE=OFF >/dev/null
cmake --build build/bench-native --target bench_machine >/dev/null
build/bench-native/tests/bench/bench_machine "$secs"

. tools/wine-arch.sh
wine_pick_arch
echo "== Windows build under Wine (build/$wine_arch: $wine_arch_why)"
windows_build "$wine_arch" "$(nproc)" -- bench_machine >/dev/null
TIV_WINE_ARCH=$wine_arch tools/bench.sh "build/$wine_arch" wine "build/$wine_arch/tests/bench/bench_machine.exe" "$secs"
