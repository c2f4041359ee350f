#!/usr/bin/env bash
# Runs tests again and again to find a fault that shows once in many runs:
# each matching test runs TIV_SOAK_ROUNDS rounds of its own repetition (the
# suite runs a few) and the whole selection is repeated until it fails.
#
#   tools/soak.sh [-r rounds] [-n repeats] [-a win32|win64|native] [regex]
#
# Defaults: 50 rounds, 5 repeats, the architecture the demo would use, and
# the tests that repeat something to catch an order fault
# (PlayerSideWindows.ClosingDuringPlay...). Builds nothing: run
# tools/test.sh (or build the folder) first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
rounds=50 repeats=5 arch= regex='ClosingDuringPlayWithBothShownEndsCleanlyEveryTime'
while getopts "r:n:a:" o; do
  case $o in
    r) rounds=$OPTARG ;;
    n) repeats=$OPTARG ;;
    a) arch=$OPTARG ;;
    *) echo "usage: $0 [-r rounds] [-n repeats] [-a win32|win64|native] [regex]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] && regex=$1
. tools/wine-arch.sh
if [ -z "$arch" ]; then wine_pick_arch; arch=$wine_arch; fi
[ -f "build/$arch/CTestTestfile.cmake" ] || { echo "soak: build/$arch is not built (run tools/test.sh first)" >&2; exit 1; }
echo "soak: '$regex' on $arch, $rounds rounds each, until it fails or $repeats times"
export TIV_SOAK_ROUNDS=$rounds
run=(ctest --test-dir "build/$arch" --output-on-failure -R "$regex" --repeat "until-fail:$repeats")
if [ "$arch" = native ]; then
  "${run[@]}"
else
  TIV_WINE_ARCH=$arch TIV_BENCH_SLOTS=${JOBS:-$(nproc)} tools/bench.sh "build/$arch" "${run[@]}" -j "${JOBS:-$(nproc)}"
fi
