#!/usr/bin/env bash
# The player engine in real time under Wine: playrun plays the busy song of
# tests/bench (busy_opna: every FM, SSG, ADPCM and rhythm channel at once)
# through DirectSound on the bench's paced sound sink for 60 s (or the
# seconds given) and prints CPU seconds per wall second, the smallest lead of
# the output over the play cursor and the late ticks (ticks that found the
# cursor already past what was written: an audible gap).
# Targets: under 5% of one core, no late tick at the default latency (256 ms).
#   tools/bench-player.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}

. tools/wine-arch.sh
wine_pick_arch
echo "== playrun under Wine (build/$wine_arch: $wine_arch_why), busy_opna for $seconds s"
windows_build "$wine_arch" "$(nproc)" -- playrun busy_opna_archive >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
TIV_WINE_ARCH=$wine_arch tools/bench.sh "build/$wine_arch" sh -c '
  [ -n "${TIV_SOUND_PACED:-}" ] || echo "bench-player: no paced sink: the figures below are not real time" >&2
  wine "$0/tools/playrun/playrun.exe" "$0/tests/bench/busy_opna" 1 "$1"' "build/$wine_arch" "$seconds" | tee "$out"
end=$(grep '^end ' "$out" | tail -n1)
cpu=$(grep '^cpu ' "$out" | tail -n1)
[ -n "$end" ] && [ -n "$cpu" ] || { echo "bench-player: playrun printed no summary" >&2; exit 1; }
set -- $end
# end <t> pos <p> state <s> lead <ms> min <ms> late <n>
echo "cpu per wall second: $(echo "$cpu" | awk '{print $2}')   smallest lead: ${10} ms   late ticks: ${12}"
