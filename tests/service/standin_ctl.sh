#!/usr/bin/env bash
# Starts or stops the stand-in service of one test fixture.
#   standin_ctl.sh start <standin> <127.0.0.N> <folder> <site file>
#   standin_ctl.sh stop <folder>
# The folder gets site.txt, the reply files, root/ (what GET serves; the tests
# put their packs and images there) and req.log (every request).
set -euo pipefail
case "$1" in
start)
  bin=$2 addr=$3 dir=$4 site=$5
  if [ -f "$dir/pid" ]; then kill "$(cat "$dir/pid")" 2>/dev/null || true; fi
  rm -rf "$dir" && mkdir -p "$dir/root/dl" "$dir/root/img" "$dir/root/ver" "$dir/root/smallver"
  cp "$site" "$dir/site.txt"
  # A catalogue reply: two records of 24 comma-terminated columns.
  for r in 1 2; do
    for c in $(seq 1 24); do printf '%%A4%%B5col%d-%d,' "$r" "$c"; done; printf '\n'
  done > "$dir/records.txt"
  head -c 1200000 /dev/zero | tr '\0' 'r' > "$dir/big.txt"
  "$bin" --addr "$addr" --port 80 --site "$dir/site.txt" --root "$dir/root" --log "$dir/req.log" \
    --ready "$dir/pid" >"$dir/standin.out" 2>&1 &
  for _ in $(seq 1 100); do
    [ -s "$dir/pid" ] && exit 0
    kill -0 $! 2>/dev/null || { cat "$dir/standin.out" >&2; exit 1; }
    sleep 0.05
  done
  echo "standin did not start" >&2; exit 1 ;;
stop)
  dir=$2
  [ -f "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null
  rm -f "$dir/pid"; exit 0 ;;
*) echo "usage: $0 start|stop ..." >&2; exit 2 ;;
esac
