#!/usr/bin/env bash
# tivpack encode/decode end to end: a worked stream, a round trip, and the
# failures a user meets (damaged stream, missing file, wrong command line).
#   tivpack_lzss.sh <emulator or ""> <tivpack> <work folder>
# Paths given to the tool are relative to the work folder, so that the
# Windows build under Wine sees them the same way.
set -uo pipefail
emu=$1 tool=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
fails=0

run() {  # run <expected exit code> args...
  local want=$1; shift
  $emu "$tool" "$@" >stdout.txt 2>stderr.txt
  local rc=$?
  if [ "$rc" != "$want" ]; then
    echo "FAIL: tivpack $*: exit code expected $want, actual $rc; stderr: $(cat stderr.txt)"
    fails=$((fails + 1))
  fi
}
expect_hex() {  # expect_hex <file> <hex>
  local got; got=$(od -An -v -tx1 "$1" | tr -d ' \n')
  if [ "$got" != "$2" ]; then
    echo "FAIL: $1: expected $2, actual $got"
    fails=$((fails + 1))
  fi
}
expect_stderr() {
  if ! grep -q -- "$1" stderr.txt; then
    echo "FAIL: stderr should say \"$1\"; it says: $(cat stderr.txt)"
    fails=$((fails + 1))
  fi
}

printf 'abcabcabcabc' > abc.txt
run 0 encode abc.txt abc.sbn
expect_hex abc.sbn 0c00000007616263eef6

for i in $(seq 300); do printf 'PC-8801 の FM 音源ドライバ、%d\r\n' $((i % 17)); done > manual.txt
head -c 70000 "$tool" > prog.bin   # machine code: the tool itself
for f in manual.txt prog.bin; do
  run 0 encode "$f" "$f.smd"
  run 0 decode "$f.smd" "$f.out"
  cmp -s "$f" "$f.out" || { echo "FAIL: $f did not come back from encode and decode"; fails=$((fails + 1)); }
done

# A stream cut inside a match: a failure, but the three literals are kept.
printf '\x0c\x00\x00\x00\x07abc\xee' > cut.sbn
run 1 decode cut.sbn cut.out
expect_stderr "cut.sbn is not a whole LZSS stream"
expect_hex cut.out 616263

run 1 encode missing.txt x.sbn
expect_stderr "cannot open missing.txt"
run 2 decode abc.sbn
run 2 pack abc.txt abc.sbn

[ "$fails" = 0 ] && echo "tivpack: all checks passed"
exit $((fails > 0))
