#!/usr/bin/env bash
# Real-time factor of every sound-chip core under a busy load, natively
# (an optimised build without sanitizers) and the Windows build under Wine.
#   tools/bench-chips.sh [cpu-seconds-per-figure]   (default 2)
exec bash "$(dirname "$0")/bench-run.sh" bench_chips "${1:-2}"
