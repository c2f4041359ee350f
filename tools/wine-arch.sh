# Which Wine architectures this host runs, and the Windows build for one;
# sourced by set-up, the bench, the tests, the demo and the benchmarks.
#
#   wine_loader <win32|win64>   the Wine loader of that architecture
#   wine_runs <win32|win64>     starts that loader for real; on failure
#                               $wine_why says why in one line
#   wine_arches                 the architectures that run here, in the
#                               order they are tested (win32 first)
#   wine_pick_arch              the one architecture to run a program with
#   windows_build               configures and builds build/<arch>
#
# Some kernels run no 32-bit programs at all (their 32-bit emulation is
# switched off): every 32-bit ELF, Wine's 32-bit loader included, fails with
# "Exec format error". Neither uname nor dpkg tells, so the loader is started.
# TIV_WINE_DIR points at another Wine (the folder of its loaders).

wine_dir=${TIV_WINE_DIR:-/usr/lib/wine}

wine_loader() {
  case "$1" in
    win32) echo "$wine_dir/wine" ;;
    win64) echo "$wine_dir/wine64" ;;
    *) echo "unknown Wine architecture '$1' (win32 or win64)" >&2; return 2 ;;
  esac
}

wine_runs() {
  local loader out rc
  loader=$(wine_loader "$1" 2>/dev/null) || { wine_why="unknown Wine architecture '$1' (win32 or win64)"; return 1; }
  if [ ! -e "$loader" ]; then wine_why="$loader is not installed"; return 1; fi
  out=$("$loader" --version 2>&1) && { wine_why=; return 0; }
  rc=$?
  # Bash names itself and the line before its own failure to start a program.
  out=$(printf '%s' "$out" | sed 's/^.*: line [0-9]*: //' | tr '\n' ' ')
  wine_why="$loader does not start: ${out:-exit status $rc}"
  return 1
}

wine_arches() {
  local a list=
  for a in win32 win64; do wine_runs "$a" && list="$list $a"; done
  echo "${list# }"
}

# The architecture to run one thing with (the demo, a benchmark): sets
# $wine_arch to TIV_WINE_ARCH when set (an error when it cannot run here),
# else win32 where 32-bit programs run, else win64; $wine_arch_why says why.
wine_pick_arch() {
  if [ -n "${TIV_WINE_ARCH:-}" ]; then
    wine_runs "$TIV_WINE_ARCH" || { echo "TIV_WINE_ARCH=$TIV_WINE_ARCH cannot run here: $wine_why" >&2; return 1; }
    wine_arch=$TIV_WINE_ARCH; wine_arch_why="TIV_WINE_ARCH=$TIV_WINE_ARCH"
  elif wine_runs win32; then
    wine_arch=win32; wine_arch_why="the shipped 32-bit programs"
  else
    wine_arch=win64; wine_arch_why="the 64-bit build: this host runs no 32-bit programs ($wine_why)"
  fi
}

# windows_build <win32|win64> <jobs> [cmake options] [-- targets...]
# Configures build/<arch> with that architecture's MinGW toolchain and builds
# it (the targets given, else everything).
windows_build() {
  local arch=$1 jobs=$2 toolchain opts=() targets=()
  shift 2
  while [ $# -gt 0 ] && [ "$1" != -- ]; do opts+=("$1"); shift; done
  [ $# -gt 0 ] && shift && targets=("$@")
  case "$arch" in
    win32) toolchain=mingw-i686 ;;
    win64) toolchain=mingw-x86_64 ;;
    *) echo "unknown Wine architecture '$arch' (win32 or win64)" >&2; return 2 ;;
  esac
  cmake --no-warn-unused-cli -S . -B "build/$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain.cmake" \
    "${opts[@]}" >/dev/null
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "build/$arch" -j "$jobs" --target "${targets[@]}"
  else
    cmake --build "build/$arch" -j "$jobs"
  fi
}
