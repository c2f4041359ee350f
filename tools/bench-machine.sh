#!/usr/bin/env bash
# Real-time factor of the whole sound machine (Z80, PC-8801 ports and
# timers, YM2608 with FM, SSG, ADPCM and rhythm, the VM's streams and mix)
# on the busy song tests/bench/busy_opna, natively (an optimised build
# without sanitizers) and the Windows build under Wine.
#   tools/bench-machine.sh [emulated-seconds]   (default 60)
exec bash "$(dirname "$0")/bench-run.sh" bench_machine "${1:-60}"
