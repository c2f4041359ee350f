#!/usr/bin/env bash
# Builds everything and runs every test: the platform-free libraries natively
# (with AddressSanitizer and UBSan), the Windows programs and their tests
# under Wine, for every Windows architecture this host runs: the shipped
# 32-bit build (build/win32) and the 64-bit build (build/win64), or the
# 64-bit one alone where the kernel runs no 32-bit programs.
#
#   JOBS=N           build and test parallelism (default: the processors)
#   TIV_WINE_ARCH=A  test only architecture A (win32 or win64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-$(nproc)}

bash tools/setup.sh
. tools/wine-arch.sh

if [ -n "${TIV_WINE_ARCH:-}" ]; then
  wine_runs "$TIV_WINE_ARCH" || { echo "test: TIV_WINE_ARCH=$TIV_WINE_ARCH cannot run here: $wine_why" >&2; exit 1; }
  arches=$TIV_WINE_ARCH
  why="TIV_WINE_ARCH=$TIV_WINE_ARCH"
else
  arches=$(wine_arches)
  if wine_runs win32; then why="this host runs 32-bit and 64-bit programs"
  else why="this host runs no 32-bit programs: $wine_why"; fi
fi

echo "== native build (sanitizers)"
cmake --no-warn-unused-cli -S . -B build/native -G Ninja -DTIV_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
echo "== native tests"
ctest --test-dir build/native --output-on-failure -j "$jobs"

# The shipped programs are the 32-bit ones: they are built (warnings are
# errors) even where their tests cannot run.
build_windows() {
  local arch=$1 toolchain
  case "$arch" in win32) toolchain=mingw-i686 ;; win64) toolchain=mingw-x86_64 ;; esac
  echo "== $arch build"
  cmake --no-warn-unused-cli -S . -B "build/$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "build/$arch" -j "$jobs"
}
build_windows win32
case " $arches " in *" win64 "*) build_windows win64 ;; esac

echo "== Windows tests under Wine: ${arches// / and } ($why)"
failed=
for arch in $arches; do
  echo "== $arch tests under Wine"
  TIV_WINE_ARCH=$arch tools/bench.sh "build/$arch" ctest --test-dir "build/$arch" --output-on-failure -j "$jobs" \
    || failed="$failed $arch"
done
if [ -n "$failed" ]; then
  echo "test: Windows tests failed on:$failed" >&2
  exit 1
fi
echo "test: all passed (native; Windows: ${arches// / and })"
