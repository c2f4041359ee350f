#!/usr/bin/env bash
# The slowest tests of a build folder's last CTest run, slowest first.
#   tools/slowest.sh <build-dir> [count, default 10]
set -euo pipefail
log="$1/Testing/Temporary/LastTest.log"
n=${2:-10}
[ -f "$log" ] || { echo "slowest: no test run in $1" >&2; exit 1; }
awk '/^[0-9]+\/[0-9]+ Test: / { sub(/^[0-9]+\/[0-9]+ Test: /, ""); name = $0 }
     /^Test time = / { printf "%9.1f s  %s\n", $4, name }' "$log" | sort -rn | head -n "$n"
