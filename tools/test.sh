#!/usr/bin/env bash
# Builds everything and runs every test: the platform-free libraries natively
# (with AddressSanitizer and UBSan), the Windows programs and their tests
# under Wine, for every Windows architecture this host runs: the shipped
# 32-bit build (build/win32) and the 64-bit build (build/win64), or the
# 64-bit one alone where the kernel runs no 32-bit programs.
#
#   JOBS=N           build and native test parallelism (default: the
#                    processors)
#   TEST_JOBS=N      Windows test parallelism: the programs under test
#                    spend most of their time waiting on windows, timers,
#                    files and the sound sink, so more of them run at once
#                    than there are processors (default: 4 per job, at
#                    least JOBS and at most 8 unless JOBS is more)
#   TIV_WINE_ARCH=A  test only architecture A (win32 or win64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-$(nproc)}
[[ "$jobs" =~ ^[1-9][0-9]*$ ]] || { echo "test: JOBS=$jobs is not a count" >&2; exit 2; }
if [ -n "${TEST_JOBS:-}" ]; then
  test_jobs=$TEST_JOBS
  [[ "$test_jobs" =~ ^[1-9][0-9]*$ ]] || { echo "test: TEST_JOBS=$test_jobs is not a count" >&2; exit 2; }
else
  test_jobs=$(( jobs * 4 ))
  cap=$(( jobs > 8 ? jobs : 8 ))
  [ "$test_jobs" -le "$cap" ] || test_jobs=$cap
fi
# Each step's header says when it began, in seconds from the start.
phase() { echo "== [${SECONDS}s] $*"; }

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

phase "native build (sanitizers)"
cmake --no-warn-unused-cli -S . -B build/native -G Ninja -DTIV_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
phase "native tests"
ctest --test-dir build/native --output-on-failure -j "$jobs"
phase "the ten slowest native tests"
tools/slowest.sh build/native 10 || true
# The benchmarks' optimised build: the optimiser finds warnings of its own
# in every library (the programs and benchmarks link them all); the test
# programs are built and run above.
phase "native optimised build (programs and benchmarks)"
cmake --no-warn-unused-cli -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIV_SANITIZE=OFF >/dev/null
cmake --build build/bench-native -j "$jobs" --target tiv_programs tiv_benchmarks

# Where both architectures run, the shipped 32-bit build is the whole proof;
# the 64-bit build then runs the tests whose code or data layout depends on
# the width of a pointer (CTest label "ptrwidth"), and builds those with the
# programs (every library of the tree, so all shipped code still compiles at
# both widths) rather than every test program.
win64_only_ptrwidth=
if [ -z "${TIV_WINE_ARCH:-}" ] && [[ " $arches " == *" win32 "* ]] && [[ " $arches " == *" win64 "* ]]; then
  win64_only_ptrwidth=1
fi

# The shipped programs are the 32-bit ones: they are built (warnings are
# errors) even where their tests cannot run; there the test programs are not.
for arch in win32 win64; do
  if [ "$arch" = win32 ] && [[ " $arches " != *" win32 "* ]]; then
    phase "win32 build: the programs (this host runs no 32-bit tests)"
    windows_build win32 "$jobs" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- tiv_programs
  elif [[ " $arches " == *" $arch "* ]]; then
    if [ "$arch" = win64 ] && [ -n "$win64_only_ptrwidth" ]; then
      phase "win64 build: the programs and the ptrwidth tests"
      windows_build win64 "$jobs" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- tiv_programs
      mapfile -t ptr_targets < <(ctest --test-dir build/win64 -N -L ptrwidth --show-only=json-v1 |
                                 grep -o '[A-Za-z0-9_]*\.exe"' | sed 's/\.exe"$//' | sort -u)
      cmake --build build/win64 -j "$jobs" --target "${ptr_targets[@]}"
    else
      phase "$arch build"
      windows_build "$arch" "$jobs" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
  fi
done

# Each test program runs in a slot of the bench's pool of its own (a Wine
# prefix, display and sound sink), so the tests that click, read the screen
# or hold the launcher's mutex run side by side.
export TIV_BENCH_SLOTS=$test_jobs
phase "Windows tests under Wine: ${arches// / and } ($why), $test_jobs at a time"
failed=
for arch in $arches; do
  select=()
  if [ "$arch" = win64 ] && [ -n "$win64_only_ptrwidth" ]; then
    select=(-L ptrwidth)
    phase "win64 tests under Wine: only those labelled ptrwidth (the 32-bit suite above is the whole proof):"
    ctest --test-dir build/win64 -N -L ptrwidth | sed -n 's/^ *Test *#[0-9]*: /   /p'
  else
    phase "$arch tests under Wine"
  fi
  TIV_WINE_ARCH=$arch tools/bench.sh "build/$arch" ctest --test-dir "build/$arch" --output-on-failure -j "$test_jobs" \
    "${select[@]}" || failed="$failed $arch"
  phase "the ten slowest $arch tests"
  tools/slowest.sh "build/$arch" 10 || true
done
if [ -n "$failed" ]; then
  echo "test: Windows tests failed on:$failed" >&2
  exit 1
fi
echo "test: all passed in ${SECONDS}s (native; Windows: ${arches// / and }${win64_only_ptrwidth:+, win64 the ptrwidth tests})"
