#!/usr/bin/env bash
# Emulation speed of the whole machine (Z80, YM2608 with six FM channels,
# SSG, ADPCM and rhythm all sounding, timers, interrupt controller) on a
# busy song: song 3 of the test archive pc88_opna rendered by songrender,
# natively (an optimised build without sanitizers) and the Windows build
# under Wine. Prints songrender's line: speed <emulated seconds per wall
# second> emulated <s> wall <s>.
#   tools/bench-song.sh [emulated seconds]   (default 60)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
secs=${1:-60}

echo "== native (build/bench-native, Release)"
cmake --no-warn-unused-cli -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIV_SANITIZE=OFF >/dev/null
cmake --build build/bench-native --target songrender music_archives >/dev/null
build/bench-native/tools/songrender/songrender build/bench-native/tests/music/pc88_opna 3 "$secs" build/bench-native/bench-song.wav

echo "== Windows build under Wine (build/win32)"
cmake --no-warn-unused-cli -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 --target songrender music_archives >/dev/null
tools/bench.sh build/win32 wine build/win32/tools/songrender/songrender.exe build/win32/tests/music/pc88_opna 3 "$secs" build/win32/bench-song.wav
