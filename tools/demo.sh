#!/usr/bin/env bash
# The main job: builds the Windows programs, installs the demo installation
# into a Wine prefix of its own (build/demo) and runs what the system has.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh
cmake --no-warn-unused-cli -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win32 -j "$(nproc)"

tools/bench.sh build/demo bash -c '
  set -e
  tools/demo-install.sh build/win32
  echo
  echo "== the installation as the programs read it"
  wine build/win32/tools/tivtool.exe show demo01 | iconv -f CP932 -t UTF-8
'
