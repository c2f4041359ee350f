#!/usr/bin/env bash
# Emulation speed of a named commit next to the working tree, and proof that
# they sound the same. Both are built side by side (optimised, without
# sanitizers) from the same tree layout: the commit is exported with
# `git archive`, the working tree is built as it stands (uncommitted changes
# included). Then, in alternating runs (base, tree, tree, base, ...):
#   - the Z80 on its buses (z80bench): busy-loop MHz and zexdoc wall time;
#   - the whole sound machine (bench_machine): real-time factor on the busy
#     YM2608 song, the working tree's song for both, so both run one load;
# and prints each figure's median, the tree's over the base's ratio (for
# zexdoc: base time / tree time, so above 1 is faster everywhere).
# Last, every song of every music archive (tests/music and the busy song)
# is rendered by both songrender builds and the WAVs compared byte for byte;
# any difference fails the script (exit status 1).
#
#   tools/bench-compare.sh [options] <commit>
#     --runs N            runs per figure and side (default 5; the median counts)
#     --loop-cycles N     busy-loop length in emulated cycles (default 6000000000: about
#                         three seconds a run, long enough that a moment of load elsewhere
#                         does not decide the run)
#     --no-zexdoc         skip zexdoc (about 40 s a run natively)
#     --machine-seconds S emulated seconds of the busy song per run (default 600: a few seconds of
#                         wall time a run, for the same reason)
#     --render-seconds S  length of each compared render (default 30)
#     --wine              the Windows builds (win64) under Wine instead of native
#     --dir D             where the builds go (default build/compare in this tree)
#     --jobs N            build jobs (default 3)
#
# Runs are niced to -5 where allowed. On a shared machine the single figures
# are noisy; the medians of alternating runs and their ratios are what count.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

runs=5 loop=6000000000 zexdoc=1 machine=600 render=30 wine=0 jobs=3 dir="" commit="" inner=""
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --loop-cycles) loop=$2; shift 2 ;;
    --no-zexdoc) zexdoc=0; shift ;;
    --machine-seconds) machine=$2; shift 2 ;;
    --render-seconds) render=$2; shift 2 ;;
    --wine) wine=1; shift ;;
    --dir) dir=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --inner) inner=$2; shift 2 ;;   # used by the script itself under Wine
    -*) echo "bench-compare: unknown option $1" >&2; exit 2 ;;
    *) commit=$1; shift ;;
  esac
done
[ -n "$commit" ] || { sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2; }
dir=${dir:-$root/build/compare}
zexdir=${TIV_Z80_EXERCISERS_DIR:-$(cd "$root/.." && pwd)/shared/z80-exercisers}
arch=win64

# ---- measuring (natively, or inside tools/bench.sh under Wine) -------------
# Paths as the programs see them: Z: in front of an absolute path under Wine.
host_path() { if [ "$wine" = 1 ]; then echo "Z:$1"; else echo "$1"; fi; }
bin() {  # bin <side> <target path under the build>
  if [ "$wine" = 1 ]; then echo "$dir/$1-$arch/$2.exe"; else echo "$dir/$1-native/$2"; fi
}
run_prog() {
  local nicer=()
  if nice -n -5 true 2>/dev/null; then nicer=(nice -n -5); fi
  if [ "$wine" = 1 ]; then "${nicer[@]}" wine "$@"; else "${nicer[@]}" "$@"; fi
}
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

measure() {
  local out="$dir/figures-$( [ "$wine" = 1 ] && echo wine || echo native )"
  rm -rf "$out" && mkdir -p "$out"
  local busy
  busy=$(host_path "$dir/work-$( [ "$wine" = 1 ] && echo $arch || echo native )/tests/bench/busy_opna")
  local i side order
  for i in $(seq 1 "$runs"); do
    # Alternate which side goes first, so that a drift in the machine's
    # load falls on both.
    if [ $((i % 2)) = 1 ]; then order="base work"; else order="work base"; fi
    for side in $order; do
      local args=(--loop-cycles "$loop")
      [ "$zexdoc" = 1 ] || args+=(--no-zexdoc)
      run_prog "$(bin "$side" tools/z80bench/z80bench)" "${args[@]}" | tr -d '\r' > "$out/z80-$side-$i.txt" || true
      sed -n 's/^busy loop: .* = \([0-9.]*\) MHz.*/\1/p' "$out/z80-$side-$i.txt" >> "$out/mhz-$side"
      sed -n 's/^zexdoc: \([0-9.]*\) s .*/\1/p' "$out/z80-$side-$i.txt" >> "$out/zexdoc-$side"
      if [ "$zexdoc" = 1 ] && ! grep -q "Tests complete" "$out/z80-$side-$i.txt"; then
        echo "bench-compare: zexdoc did not complete on $side (run $i): $out/z80-$side-$i.txt" >&2
      fi
      run_prog "$(bin "$side" tests/bench/bench_machine)" "$machine" "$busy" | tr -d '\r' > "$out/machine-$side-$i.txt" || {
        echo "bench-compare: bench_machine failed on $side (run $i): $out/machine-$side-$i.txt" >&2; }
      sed -n 's/^x real time: \([0-9.]*\) (wall).*/\1/p' "$out/machine-$side-$i.txt" >> "$out/rtf-$side"
      echo "  run $i $side: $(sed -n 's/^busy loop: .* = \([0-9.]*\) MHz.*/\1 MHz/p' "$out/z80-$side-$i.txt")" \
        "$(sed -n 's/^zexdoc: \([0-9.]*\) s .*/zexdoc \1 s/p' "$out/z80-$side-$i.txt")" \
        "$(sed -n 's/^x real time: \([0-9.]*\) (wall).*/machine \1x/p' "$out/machine-$side-$i.txt")"
    done
  done

  local what="native"; [ "$wine" = 1 ] && what="$arch under Wine"
  echo
  echo "== $what: medians of $runs alternating runs (base $commit_name, tree $tree_name)"
  printf '%-34s %12s %12s %8s\n' figure base tree ratio
  local b w
  b=$(median < "$out/mhz-base"); w=$(median < "$out/mhz-work")
  printf '%-34s %12s %12s %8s\n' "Z80 busy loop (MHz, higher better)" "$b" "$w" "$(awk -v b="$b" -v w="$w" 'BEGIN { printf "%.2fx", w / b }')"
  if [ "$zexdoc" = 1 ]; then
    b=$(median < "$out/zexdoc-base"); w=$(median < "$out/zexdoc-work")
    printf '%-34s %12s %12s %8s\n' "Z80 zexdoc (s, lower better)" "$b" "$w" "$(awk -v b="$b" -v w="$w" 'BEGIN { printf "%.2fx", b / w }')"
  fi
  b=$(median < "$out/rtf-base"); w=$(median < "$out/rtf-work")
  printf '%-34s %12s %12s %8s\n' "machine, busy song (x real time)" "$b" "$w" "$(awk -v b="$b" -v w="$w" 'BEGIN { printf "%.2fx", w / b }')"
}

renders() {
  local out="$dir/renders-$( [ "$wine" = 1 ] && echo wine || echo native )"
  rm -rf "$out" && mkdir -p "$out"
  local tree="$dir/work-$( [ "$wine" = 1 ] && echo $arch || echo native )"
  local archives=() a
  for a in "$tree"/tests/music/*/config.txt "$tree/tests/bench/busy_opna/config.txt"; do
    [ -f "$a" ] && archives+=("$(dirname "$a")")
  done
  local total=0 differ=0 failed=0 archive name songs song side
  for archive in "${archives[@]}"; do
    name=$(basename "$archive")
    songs=$(tr -d '\r' < "$archive/config.txt" | grep -c '^title=' || true)
    for song in $(seq 1 "$songs"); do
      for side in base work; do
        if ! run_prog "$(bin "$side" tools/songrender/songrender)" "$(host_path "$archive")" "$song" "$render" \
             "$(host_path "$out/$name-$song-$side.wav")" >/dev/null 2>"$out/$name-$song-$side.err"; then
          echo "  $name song $song: songrender failed on $side ($out/$name-$song-$side.err)"
          failed=$((failed + 1))
        fi
      done
      total=$((total + 1))
      if [ -f "$out/$name-$song-base.wav" ] && cmp -s "$out/$name-$song-base.wav" "$out/$name-$song-work.wav"; then
        echo "  $name song $song: identical ($(stat -c %s "$out/$name-$song-work.wav") bytes, $(md5sum < "$out/$name-$song-work.wav" | cut -c1-12))"
      else
        echo "  $name song $song: DIFFERENT"
        differ=$((differ + 1))
      fi
    done
  done
  echo "renders: $total songs of ${#archives[@]} archives, $render s each: $((total - differ)) identical, $differ different, $failed failed"
  [ "$differ" = 0 ] && [ "$failed" = 0 ]
}

if [ -n "$inner" ]; then
  commit_name=$inner tree_name="working tree"
  measure
  renders
  exit $?
fi

# ---- building -------------------------------------------------------------
cd "$root"
commit_name=$(git rev-parse --short "$commit^{commit}") || { echo "bench-compare: no commit $commit" >&2; exit 2; }
tree_name="working tree on $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- . 2>/dev/null || echo ' + changes')"
mkdir -p "$dir"
rm -rf "$dir/base-src" && mkdir -p "$dir/base-src"
git archive "$commit_name" | tar -x -C "$dir/base-src"
targets=(z80bench bench_machine songrender music_archives busy_opna_archive)
echo "== building $commit_name and the working tree ($( [ "$wine" = 1 ] && echo "$arch" || echo native ), Release)"
if [ "$wine" = 1 ]; then
  # The Windows builds need the MinGW minizip of this tree's build/deps.
  for side in base work; do
    src="$root"; [ "$side" = base ] && src="$dir/base-src"
    cmake --no-warn-unused-cli -S "$src" -B "$dir/$side-$arch" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DTIV_MINIZIP_DIR="$root/build/deps/minizip-x86_64-w64-mingw32" \
      -DTIV_Z80_EXERCISERS_DIR="$zexdir" >/dev/null
    cmake --build "$dir/$side-$arch" -j "$jobs" --target "${targets[@]}" >/dev/null
  done
  args=(--runs "$runs" --loop-cycles "$loop" --machine-seconds "$machine" --render-seconds "$render" --dir "$dir"
        --wine --inner "$commit_name")
  [ "$zexdoc" = 1 ] || args+=(--no-zexdoc)
  TIV_WINE_ARCH=$arch "$root/tools/bench.sh" "$dir/wine-bench" bash "$root/tools/bench-compare.sh" "${args[@]}" "$commit_name"
  exit $?
fi
for side in base work; do
  src="$root"; [ "$side" = base ] && src="$dir/base-src"
  cmake --no-warn-unused-cli -S "$src" -B "$dir/$side-native" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTIV_SANITIZE=OFF -DTIV_Z80_EXERCISERS_DIR="$zexdir" >/dev/null
  cmake --build "$dir/$side-native" -j "$jobs" --target "${targets[@]}" >/dev/null
done
measure
renders
