#!/usr/bin/env bash
# The Wine test bench: every test run and the demo go through here.
#
#   tools/bench.sh <build-dir> <command> [args...]
#
# Makes (once) a private Wine prefix under <build-dir>/wine/<arch>, starts a
# private Xvfb display and a persistent wineserver, exports the environment
# the programs expect (Japanese locale, no Wine debug noise, no Mono/Gecko
# prompts, no crash dialog, a sound sink) and runs the command. Everything it
# starts it stops again, by process id, when the command ends.
#
# The architecture is TIV_WINE_ARCH (win32 or win64) when set, else the one
# the build folder was configured for (i686: win32, x86_64: win64), else
# win32 where this host runs 32-bit programs and win64 elsewhere. `wine` and
# `wineboot` on the command's PATH start that architecture's loader.
set -euo pipefail

[ $# -ge 2 ] || { echo "usage: $0 <build-dir> <command> [args...]" >&2; exit 2; }
build=$(mkdir -p "$1" && cd "$1" && pwd); shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-arch.sh"

arch=${TIV_WINE_ARCH:-}
if [ -z "$arch" ] && [ -f "$build/CMakeCache.txt" ]; then
  case "$(sed -n 's/^CMAKE_SYSTEM_PROCESSOR:[A-Z]*=//p' "$build/CMakeCache.txt")" in
    x86_64) arch=win64 ;;
    i686) arch=win32 ;;
  esac
fi
if [ -z "$arch" ]; then
  if wine_runs win32; then arch=win32; else arch=win64; fi
fi
if ! wine_runs "$arch"; then
  echo "bench: cannot run $arch programs here: $wine_why" >&2
  exit 1
fi
loader=$(wine_loader "$arch")

# `wine` and `wineboot` of the chosen architecture: Debian's scripts pick the
# 32-bit loader whenever it is installed, even where it cannot run.
bin="$build/wine/$arch/bin"
mkdir -p "$bin"
printf '#!/bin/sh\nexec "%s" "$@"\n' "$loader" > "$bin/wine"
printf '#!/bin/sh\nexec "%s" wineboot "$@"\n' "$loader" > "$bin/wineboot"
chmod +x "$bin/wine" "$bin/wineboot"
export PATH="$bin:$PATH"
export WINELOADER="$loader"
export WINEPREFIX="$build/wine/$arch/prefix"
export WINEARCH=$arch
export TIV_WINE_ARCH=$arch
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
export HOME="$build/wine/$arch/home"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY ftp_proxy no_proxy NO_PROXY all_proxy ALL_PROXY
mkdir -p "$HOME"

pids=()
cleanup() {
  set +e
  local d
  for d in "${servers[@]}"; do
    WINEPREFIX=$d wineserver -k >/dev/null 2>&1
  done
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  for f in "${tmp_files[@]}"; do rm -rf "$f"; done
}
servers=()
tmp_files=()
trap cleanup EXIT
trap 'exit 130' INT TERM

# The prefix's settings have a version: a prefix made before a setting was
# added gets the settings again (they are all idempotent), not a new boot.
base_prefix=$WINEPREFIX
settings_ok="$build/wine/$arch/prefix-settings-3.ok"
if [ ! -f "$build/wine/$arch/prefix.ok" ]; then
  echo "bench: making the $arch Wine prefix (once)"
  mkdir -p "$WINEPREFIX"
  # Into a file, not a pipe: the helper processes wineboot starts keep
  # their output open and outlive it.
  bootlog="$build/wine/$arch/wineboot.log"
  if ! wineboot -i >"$bootlog" 2>&1 </dev/null; then
    tail -n 20 "$bootlog" >&2
    echo "bench: wineboot could not make the $arch prefix $WINEPREFIX (its output above, whole in $bootlog)" >&2
    exit 1
  fi
  rm -f "$settings_ok"
  touch "$build/wine/$arch/prefix.ok"
  fresh=1
fi
if [ ! -f "$settings_ok" ]; then
  # Each setting is tried twice; the settings count as made only when all of
  # them took, else the next run makes them again (a prefix without the crash
  # dialog switched off hangs the crash tests).
  ok=1
  r() { wine reg add "$@" /f >/dev/null 2>&1 || wine reg add "$@" /f >/dev/null 2>&1 || ok=0; }
  r 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  r 'HKCU\Software\Wine\Drivers' /v Audio /d pulse,alsa
  for f in "MS UI Gothic" "MS Gothic" "MS PGothic" "ＭＳ ゴシック" "ＭＳ Ｐゴシック" "ＭＳ 明朝" "ＭＳ Ｐ明朝" "MS Mincho" "MS PMincho"; do
    r 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /d IPAGothic
  done
  # The launcher's web panes host the browser control, which loads the HTML
  # engine (mshtml, on Gecko) for a page. This Wine has no Gecko: a Wine that
  # offers to download it opens a "Wine Gecko Installer" dialog that blocks a
  # headless run. With mshtml (and mscoree, the same for Mono) disabled, as the
  # environment above does and the registry keeps for programs started in the
  # prefix by hand, the control is still made and still fetches its page; the
  # pane just draws nothing. An empty load order means disabled.
  r 'HKCU\Software\Wine\DllOverrides' /v mshtml /d ''
  r 'HKCU\Software\Wine\DllOverrides' /v mscoree /d ''
  fresh=1
  if [ "$ok" = 1 ]; then
    touch "$settings_ok"
  else
    echo "bench: some prefix settings failed; they are tried again next time" >&2
  fi
fi

# The pool: TIV_BENCH_SLOTS places to run a Windows program in, each with a
# Wine prefix, a wineserver, a display and a sound sink of its own, so that
# tests which click, read the screen, listen to the sink, hold the
# launcher's mutex or write the installation's registry key run side by side
# without meeting. Slot 0 is the prefix made above; the others are copies of
# it, made once (again when the prefix's settings change). A program takes a
# free slot through tools/bench-slot.sh (tools/wine-run does); with one slot
# everything runs in slot 0, as the demo and the benchmarks do.
slots=${TIV_BENCH_SLOTS:-1}
[[ "$slots" =~ ^[1-9][0-9]*$ ]] || { echo "bench: TIV_BENCH_SLOTS=$slots is not a count" >&2; exit 2; }
pool="$build/wine/$arch/pool"
rm -rf "$pool"
mkdir -p "$pool"
# A copy is only consistent once the prefix's own server has written the
# registry out and ended.
stamp="$(basename "$settings_ok") $(stat -c %Y "$build/wine/$arch/prefix.ok")"
need_copy=
for ((k = 1; k < slots; k++)); do
  [ "$(cat "$build/wine/$arch/slot$k/made" 2>/dev/null)" = "$stamp" ] || need_copy=1
done
# The server that made the prefix or its settings ends first: the slot's
# persistent server takes its place.
if [ -n "${fresh:-}" ] || [ -n "$need_copy" ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
fi
if [ -n "$need_copy" ]; then
  for ((k = 1; k < slots; k++)); do
    d="$build/wine/$arch/slot$k"
    [ "$(cat "$d/made" 2>/dev/null)" = "$stamp" ] && continue
    rm -rf "$d" && mkdir -p "$d"
    cp -a "$base_prefix" "$d/prefix"
    echo "$stamp" > "$d/made"
  done
fi

# start_slot <k> <prefix> <home>: the slot's display, sound sink and
# wineserver; its environment goes to $pool/<k>/env.sh.
start_slot() {
  local k=$1 prefix=$2 home=$3 env=$pool/$1/env.sh dispfile sound_dir sink
  mkdir -p "$pool/$k" "$home" "$prefix"
  sink="$home/sound.raw"
  # Wine reads the ALSA configuration from HOME: a bench home whose default
  # device is a file sink, so DirectSound has somewhere to play.
  printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' "$sink" > "$home/.asoundrc"
  {
    echo "export WINEPREFIX='$prefix' HOME='$home' TIV_SOUND_SINK='$sink' TIV_BENCH_SLOT=$k"
  } > "$env"
  # A display of our own: -displayfd picks a free number (the machine is
  # shared). TIV_BENCH_DISPLAY=host keeps the caller's display instead (the
  # demo, when someone is there to see it).
  if [ "${TIV_BENCH_DISPLAY:-}" = host ] && [ -n "${DISPLAY:-}" ]; then
    echo "export TIV_HOST_DISPLAY=1 DISPLAY='$DISPLAY'" >> "$env"
  else
    dispfile=$(mktemp); tmp_files+=("$dispfile")
    Xvfb -displayfd 3 -screen 0 1024x768x24 -wr -nolisten tcp -nolisten unix 3>"$dispfile" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$dispfile" ] && break; sleep 0.1; done
    [ -s "$dispfile" ] || { echo "bench: Xvfb did not start" >&2; return 1; }
    echo "unset TIV_HOST_DISPLAY; export DISPLAY=':$(head -n1 "$dispfile")'" >> "$env"
  fi
  # A paced sound sink: a private PulseAudio server with one null sink, which
  # takes sound at the rate of its own clock, as a sound card would (the ALSA
  # file sink above takes it as fast as it comes, about 3.6 times real
  # time). Latency and underrun figures need it. Its monitor is the default
  # recording device, so a program can hear what reached the sink. Wine
  # tries PulseAudio first and falls back to ALSA when no server answers.
  # TIV_SOUND=file keeps the file sink; without pulseaudio the file sink is used.
  sound_dir=$(mktemp -d); tmp_files+=("$sound_dir")   # unix sockets have short paths: not under the build folder
  echo "unset TIV_SOUND_PACED; export PULSE_RUNTIME_PATH='$sound_dir' XDG_RUNTIME_DIR='$sound_dir' PULSE_SERVER='unix:$sound_dir/none'" >> "$env"
  if [ "${TIV_SOUND:-paced}" != file ]; then
    if command -v pulseaudio >/dev/null && command -v pactl >/dev/null; then
      PULSE_RUNTIME_PATH=$sound_dir XDG_RUNTIME_DIR=$sound_dir HOME=$home \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
        -L "module-null-sink sink_name=nullsink rate=44100 channels=2" \
        -L "module-native-protocol-unix socket=$sound_dir/native auth-anonymous=1" \
        >"$home/pulseaudio.log" 2>&1 </dev/null &
      pids+=($!)
      for _ in $(seq 100); do
        PULSE_SERVER="unix:$sound_dir/native" pactl info >/dev/null 2>&1 && break; sleep 0.1
      done
      if PULSE_SERVER="unix:$sound_dir/native" pactl info >/dev/null 2>&1; then
        echo "export PULSE_SERVER='unix:$sound_dir/native' TIV_SOUND_PACED=1" >> "$env"
        # Its monitor is the default recording device: a test hears what was played.
        PULSE_SERVER="unix:$sound_dir/native" pactl set-default-source nullsink.monitor >/dev/null 2>&1 || true
      else
        echo "bench: the paced sound sink did not start (see $home/pulseaudio.log); sound goes to the file sink" >&2
      fi
    else
      echo "bench: no pulseaudio here (tools/setup.sh installs it); sound goes to the file sink" >&2
    fi
  fi
  # A persistent server: without it each Wine process pays the server's start-up.
  WINEPREFIX=$prefix wineserver -f -p >/dev/null 2>&1 &
  pids+=($!)
  servers+=("$prefix")
}

start_slot 0 "$base_prefix" "$HOME" || exit 1
for ((k = 1; k < slots; k++)); do
  start_slot "$k" "$build/wine/$arch/slot$k/prefix" "$build/wine/$arch/slot$k/home" || exit 1
done
export TIV_BENCH_POOL=$pool TIV_BENCH_SLOTS=$slots
# Slot 0's environment is the command's own: a script that starts Wine
# without taking a slot runs there.
. "$pool/0/env.sh"
unset TIV_BENCH_SLOT

# Wine's helper processes (services, device host, desktop) start with the
# first program and outlive it; start them here in every slot, away from the
# pipes that CTest waits on (or the first test seems never to end) and
# before any slot is locked (or they would hold its lock).
boots=()
for ((k = 0; k < slots; k++)); do
  ( . "$pool/$k/env.sh"
    wine wineboot </dev/null >/dev/null 2>&1 || true
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true ) &
  boots+=($!)
done
for b in "${boots[@]}"; do wait "$b" || true; done

export TIV_BENCH=1
set +e
"$@"
rc=$?
exit $rc
