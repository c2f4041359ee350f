#!/usr/bin/env bash
# Runs one benchmark program of tests/bench natively (an optimised build
# without sanitizers, build/bench-native) and as the Windows program under
# Wine (the architecture this host runs, or TIV_WINE_ARCH).
#   tools/bench-run.sh <program> [args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ $# -ge 1 ] || { echo "usage: $0 <program> [args...]" >&2; exit 2; }
prog=$1; shift

echo "== native (build/bench-native, Release)"
cmake --no-warn-unused-cli -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIV_SANITIZE=OFF >/dev/null
cmake --build build/bench-native --target "$prog" >/dev/null
"build/bench-native/tests/bench/$prog" "$@"

. tools/wine-arch.sh
wine_pick_arch
echo "== Windows build under Wine (build/$wine_arch: $wine_arch_why)"
windows_build "$wine_arch" "$(nproc)" -- "$prog" >/dev/null
TIV_WINE_ARCH=$wine_arch tools/bench.sh "build/$wine_arch" wine "build/$wine_arch/tests/bench/$prog.exe" "$@"
