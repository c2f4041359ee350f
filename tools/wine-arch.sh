# Which Wine architectures this host runs; sourced by set-up, the bench, the
# tests and the demo.
#
#   wine_loader <win32|win64>   the Wine loader of that architecture
#   wine_runs <win32|win64>     starts that loader for real; on failure
#                               $wine_why says why in one line
#   wine_arches                 the architectures that run here, in the
#                               order they are tested (win32 first)
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
  out=$(printf '%s' "$out" | tr '\n' ' ')
  wine_why="$loader does not start: ${out:-exit status $rc}"
  return 1
}

wine_arches() {
  local a list=
  for a in win32 win64; do wine_runs "$a" && list="$list $a"; done
  echo "${list# }"
}
