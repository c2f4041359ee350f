#!/usr/bin/env bash
# The main job: builds the Windows programs, installs the demo installation
# into a Wine prefix of its own (build/demo) and runs what the system has.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh
cmake --no-warn-unused-cli -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win32 -j "$(nproc)"

# With a display of your own (DISPLAY set and answering) the launcher's
# window appears there; without one it runs on the bench's virtual display
# and a screenshot is left in build/demo/screenshot.png.
export TIV_DEMO_SHOT="$root/build/demo/screenshot.png"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then export TIV_BENCH_DISPLAY=host; fi
tools/bench.sh build/demo bash -c '
  set -e
  tools/demo-install.sh build/win32
  echo
  echo "== the installation as the programs read it"
  wine build/win32/tools/tivtool.exe show demo01 | iconv -f CP932 -t UTF-8
  echo
  echo "== starting the launcher (C:\\tiv\\tiv_launcher.exe -start tiv,)"
  cp build/win32/launcher/screens/tiv_launcher.exe "$WINEPREFIX/drive_c/tiv/"
  cd "$WINEPREFIX/drive_c/tiv"
  if [ -n "${TIV_HOST_DISPLAY:-}" ]; then
    echo "(close the launcher window to end the demo)"
    wine tiv_launcher.exe -start tiv,
  else
    wine tiv_launcher.exe -start tiv, &
    sleep 6
    import -window root "$TIV_DEMO_SHOT" && echo "screenshot: $TIV_DEMO_SHOT"
    wine "$OLDPWD/build/win32/tools/tivtool.exe" close "TIV Launcher" || true
    sleep 2   # what is still running ends with the bench
  fi
'
