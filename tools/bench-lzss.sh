#!/usr/bin/env bash
# LZSS encode and decode throughput next to memcpy's, on the 16 MiB mixed
# corpus: natively (optimised, no sanitizers; Google Benchmark and the plain
# program) and as the Windows program under Wine. Not part of the tests.
#
#   tools/bench-lzss.sh            # all three
#   tools/bench-lzss.sh native     # or only: native | wine
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
what=${1:-all}
jobs=$(( $(nproc) < 8 ? $(nproc) : 8 ))

if [ "$what" = all ] || [ "$what" = native ]; then
  cmake -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIV_SANITIZE=OFF >/dev/null
  cmake --build build/bench-native -j "$jobs" --target bench_slide bench_slide_gbench >/dev/null
  echo "== native, Google Benchmark (bytes_per_second = uncompressed bytes)"
  build/bench-native/tests/bench/bench_slide_gbench
  echo "== native, plain"
  build/bench-native/tests/bench/bench_slide
fi
if [ "$what" = all ] || [ "$what" = wine ]; then
  . tools/wine-arch.sh
  wine_pick_arch
  windows_build "$wine_arch" "$jobs" -- bench_slide >/dev/null
  echo "== $wine_arch under Wine, plain ($wine_arch_why)"
  TIV_WINE_ARCH=$wine_arch tools/bench.sh "build/$wine_arch" wine "build/$wine_arch/tests/bench/bench_slide.exe"
fi
