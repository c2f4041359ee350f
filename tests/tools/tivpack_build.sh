#!/usr/bin/env bash
# tivpack build/list end to end: the exact bytes of a small content pack, a
# client-version pack, and the failures a user meets.
#   tivpack_build.sh <emulator or ""> <tivpack> <work folder>
set -uo pipefail
emu=$1 tool=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
fails=0

run() {  # run <expected exit code> args...
  local want=$1; shift
  $emu "$tool" "$@" >stdout.txt 2>stderr.txt
  local rc=$?
  tr -d '\r' < stdout.txt > out.txt
  if [ "$rc" != "$want" ]; then
    echo "FAIL: tivpack $*: exit code expected $want, actual $rc; stderr: $(cat stderr.txt)"
    fails=$((fails + 1))
  fi
}
expect_same() {  # expect_same <what> <expected file> <actual file>
  if ! cmp -s "$2" "$3"; then
    echo "FAIL: $1"
    echo "  expected: $(od -An -c "$2" | tr -s ' ' | tr -d '\n')"
    echo "  actual  : $(od -An -c "$3" | tr -s ' ' | tr -d '\n')"
    fails=$((fails + 1))
  fi
}
le32() { printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)))"; }

printf 'hi' > readme.txt
printf 'abc' > a.exe
run 0 build game.pack CNPFVR05 content '1,s,readme.txt,readme.txt,Read me' '11,z,a.exe,game\a.exe'
names='readme.txt,Read me,game\a.exe,,'
hdr=$((20 + ${#names}))
{
  printf 'CNPFVR05'; le32 $((hdr + 22)); le32 $hdr; le32 2; printf '%s' "$names"
  printf '\x00\x01'; le32 2; printf 'hi'
  printf '\x01\x0b'; le32 8; printf '\x03\x00\x00\x00\x07abc'
} > expected.pack
expect_same "content pack layout" expected.pack game.pack

run 0 list game.pack
printf '%s\n' "CNPFVR05 total $((hdr + 22)) header $hdr files 2" "0 type 1 stored 2 readme.txt,Read me" \
  '1 type 11 lzss 8 game\a.exe,' > expected.txt
expect_same "content pack listing" expected.txt out.txt

printf 'tiv_launcher.exe,5,core,\r\n' > version.txt
run 0 build ver.bin CNPFVR05 version '3,s,version.txt,version.txt' '5,s,readme.txt,skin\readme.txt'
run 0 list ver.bin version
printf '%s\n' "CNPFVR05 total 88 header 48 files 2" "0 type 3 stored 26 version.txt," \
  '1 type 5 stored 2 skin\readme.txt,' > expected.txt
expect_same "version pack listing" expected.txt out.txt

# Failures.
run 1 build bad.pack CNPFVR05 content '1,s,readme.txt,'
run 1 build bad.pack CNPFVR05 content '14,s,readme.txt,r.txt'
run 2 build bad.pack CNPFVR05 content '1,s,readme.txt'
run 2 build bad.pack CNPFVR05 mixed '1,s,readme.txt,r.txt'
run 1 build bad.pack CNPFVR05 version '1,s,readme.txt,r.txt,caption'
run 1 build bad.pack CNPFVR09 content '1,s,readme.txt,r.txt'
run 1 build bad.pack CNPFVR05 content '1,s,missing.txt,r.txt'
grep -q "cannot read missing.txt" stderr.txt || { echo "FAIL: missing file not named"; fails=$((fails + 1)); }
run 1 list readme.txt
head -c $((hdr + 10)) game.pack > cut.pack
run 1 list cut.pack
grep -qF 'entry 1 (game\a.exe) runs past the end' stderr.txt || { echo "FAIL: cut pack: $(cat stderr.txt)"; fails=$((fails + 1)); }

[ "$fails" = 0 ] && echo "tivpack build/list: all checks passed"
exit $((fails > 0))
