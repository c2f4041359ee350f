# Taking a slot of the bench's pool (tools/bench.sh): sourced by whatever
# starts Windows programs under the bench (tools/wine-run, test scripts).
#
#   bench_take_slot   waits for a free slot, holds it on file descriptor 9
#                     until the calling shell ends, and exports the slot's
#                     environment (prefix, display, sound sink); a shell
#                     that already holds one (TIV_BENCH_SLOT) keeps it
#
# The lock is a flock on the slot's file, so a slot is free again the moment
# its holder ends, however it ends. Programs started from the holder must
# not keep descriptor 9 open (run them with 9>&-), or a program left running
# would keep the slot.
bench_take_slot() {
  [ -n "${TIV_BENCH_POOL:-}" ] || return 0
  [ -z "${TIV_BENCH_SLOT:-}" ] || return 0
  local i k n=${TIV_BENCH_SLOTS:-1} start=$((RANDOM % ${TIV_BENCH_SLOTS:-1}))
  while :; do
    for ((i = 0; i < n; i++)); do
      k=$(((start + i) % n))
      exec 9>>"$TIV_BENCH_POOL/$k/lock"
      if flock -n 9; then
        . "$TIV_BENCH_POOL/$k/env.sh"
        export TIV_BENCH_SLOT=$k
        return 0
      fi
      exec 9>&-
    done
    sleep 0.2
  done
}
