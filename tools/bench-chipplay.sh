#!/usr/bin/env bash
# The music player program in real time under Wine, driven as a member uses
# it: chipplay.exe opens the busy song of tests/bench (busy_opna: every FM,
# SSG, ADPCM and rhythm channel at once), a double-click on its row starts
# it, and the display is switched to the spectrum. Prints
#  - the time from the double-click to the first non-silent frame heard on
#    the bench's paced sound sink (recorded from the sink's monitor; the
#    recorder's own start-up makes it a few milliseconds uncertain);
#  - the CPU seconds per wall second of the player's process (with Wine's
#    sound threads inside it) while it plays in spectrum mode for 30 s (or
#    the seconds given);
#  - the same with the keyboard and level-meter windows shown as well (their
#    buttons on the main window open them docked below it).
# With CHIPPLAY_BENCH_DEBUG=1 the player runs beside a config.txt that sets
# "debug", so the debug monitor is open during both measurements.
#   tools/bench-chipplay.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-30}

. tools/wine-arch.sh
wine_pick_arch
echo "== chipplay.exe under Wine (build/$wine_arch: $wine_arch_why), busy_opna, spectrum for $seconds s${CHIPPLAY_BENCH_DEBUG:+, debug monitor: $CHIPPLAY_BENCH_DEBUG}"
windows_build "$wine_arch" "$(nproc)" -- chipplay busy_opna_archive >/dev/null
TIV_WINE_ARCH=$wine_arch tools/bench.sh "build/$wine_arch" bash -c '
  set -euo pipefail; [ -n "${BENCH_TRACE:-}" ] && set -x
  build=$(cd "$0" && pwd) seconds=$1
  [ -n "${TIV_SOUND_PACED:-}" ] || { echo "bench-chipplay: no paced sink here: nothing to measure" >&2; exit 1; }
  command -v parec >/dev/null || { echo "bench-chipplay: parec is missing (tools/setup.sh installs it)" >&2; exit 1; }
  work=$(mktemp -d)
  trap "kill %1 %2 2>/dev/null; rm -rf \"$work\"" EXIT
  cp -r "$build/tests/bench/busy_opna" "$work/busy"
  cd "$build/chipplay/win32"
  with=
  if [ "${CHIPPLAY_BENCH_DEBUG:-0}" = 1 ]; then
    # The player reads config.txt of its current folder: run it from the work folder.
    printf "[config]\r\ndebug=1\r\n" >"$work/config.txt"
    exe=$PWD/chipplay.exe
    cd "$work"
    ln -s "$exe" chipplay.exe
    with=1
  fi
  cp "$build/resources/art/capture1.bmp" "$work/shot.bmp"
  # As the launcher starts it: the archive (a copy: "-d" deletes it at the
  # end) and a screenshot.
  busy="$work/busy" shot="$work/shot.bmp"
  wine chipplay.exe "Z:${busy//\//\\}" -d "Z:${shot//\//\\}" &
  title="TIV VELQA SOUND PLAYER"
  wid=
  for _ in $(seq 1 300); do
    wid=$(xdotool search --name "^$title\$" 2>/dev/null | head -n1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "bench-chipplay: the player window did not open" >&2; exit 1; }
  sleep 2   # the window has painted and the device is idle
  parec --raw --format=s16le --rate=44100 --channels=2 --latency-msec=10 -d nullsink.monitor >"$work/heard.raw" &
  sleep 1.5
  # What the recording holds at the moment of the click is what was heard
  # before it: the first sound after it is counted from there.
  before=$(( $(stat -c %s "$work/heard.raw") / 4 * 4 ))
  # Out from under the debug monitor, when it is open.
  [ -z "$with" ] || { xdotool windowmove "$wid" 0 0; xdotool windowraise "$wid"; sleep 0.5; }
  xdotool mousemove --window "$wid" 60 200 click --repeat 2 --delay 60 1
  sleep 3
  kill %2 2>/dev/null || true
  wait %2 2>/dev/null || true
  first=$(od -An -v -t d2 -w4 -j "$before" "$work/heard.raw" |
          awk "{ if (\$1 > 64 || \$1 < -64 || \$2 > 64 || \$2 < -64) { print NR - 1; exit } }") || true
  [ -n "$first" ] || { echo "bench-chipplay: nothing was heard after the double-click" >&2; exit 1; }
  awk -v f="$first" "BEGIN { printf \"double-click to first sound: %.0f ms\n\", f * 1000 / 44100 }"
  # Spectrum: the display button steps text, waveform, spectrum.
  xdotool mousemove --window "$wid" 485 63 click 1
  sleep 0.3
  xdotool mousemove --window "$wid" 485 63 click 1
  sleep 1
  pid=$(pgrep -x chipplay.exe | head -n1)
  [ -n "$pid" ] || { echo "bench-chipplay: the player process is not found" >&2; exit 1; }
  ticks=$(getconf CLK_TCK)
  cpu() { awk "{ print \$14 + \$15 }" "/proc/$pid/stat"; }
  share() {
    local c0 c1 t0 t1
    c0=$(cpu); t0=$(date +%s%N)
    sleep "$seconds"
    c1=$(cpu); t1=$(date +%s%N)
    awk -v c="$((c1 - c0))" -v hz="$ticks" -v ns="$((t1 - t0))" -v what="$1" \
      "BEGIN { printf \"cpu per wall second while playing %s: %.4f\n\", what, c / hz / (ns / 1e9) }"
  }
  share "in spectrum mode${with:+ with the debug monitor shown}"
  # The keyboard (kbd) and level-meter (lvl) buttons: both windows shown.
  xdotool mousemove --window "$wid" 485 93 click 1
  sleep 0.3
  xdotool mousemove --window "$wid" 485 123 click 1
  for w in KEYBOARD "LEVEL METER"; do
    shown=
    for _ in $(seq 1 50); do
      xdotool search --onlyvisible --name "$w" >/dev/null 2>&1 && { shown=1; break; }
      sleep 0.1
    done
    [ -n "$shown" ] || { echo "bench-chipplay: the $w window did not show" >&2; exit 1; }
  done
  xdotool mousemove --window "$wid" 300 8
  sleep 1
  share "in spectrum mode with the keyboard and level-meter windows${with:+ and the debug monitor} shown"
  # The close button of the main window: a side window holds the focus now.
  xdotool mousemove --window "$wid" 515 11 click 1 2>/dev/null || true
  sleep 1
  xdotool key --window "$wid" alt+F4 2>/dev/null || true
  wine "$build/tools/tivtool.exe" close "$title" >/dev/null 2>&1 || true
  wait %1 2>/dev/null || true
' "build/$wine_arch" "$seconds"
