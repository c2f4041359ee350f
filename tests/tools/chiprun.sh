#!/usr/bin/env bash
# chiprun end to end: scripts for each chip give the expected interrupt
# edges, reads and WAV files, the very same bytes in the native and the
# Windows build (the digests below hold for both); and the failures a user
# meets (wrong command line, unknown chip, bad script line, missing or
# oversized files).
#   chiprun.sh <emulator or ""> <chiprun> <work folder>
set -uo pipefail
emu=$1 tool=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
fails=0

run() {  # run <expected exit code> args...
  local want=$1; shift
  $emu "$tool" "$@" >stdout.txt 2>stderr.txt
  local rc=$?
  tr -d '\r' < stdout.txt > out.txt
  tr -d '\r' < stderr.txt > err.txt
  if [ "$rc" != "$want" ]; then
    echo "FAIL: chiprun $*: exit code expected $want, actual $rc; stderr: $(cat err.txt)"
    fails=$((fails + 1))
  fi
}
expect_out() {  # expect_out <what> <expected lines...>
  local what=$1; shift
  printf '%s\n' "$@" > expected.txt
  if ! cmp -s expected.txt out.txt; then
    echo "FAIL: $what: output"
    echo "  expected: $(tr '\n' '|' < expected.txt)"
    echo "  actual  : $(tr '\n' '|' < out.txt)"
    fails=$((fails + 1))
  fi
}
expect_err() {  # expect_err <what> <text>
  if ! grep -qF "$2" err.txt; then
    echo "FAIL: $1: stderr expected to hold '$2', actual '$(cat err.txt)'"
    fails=$((fails + 1))
  fi
}
expect_wav() {  # expect_wav <file> <frames> <md5>
  local size; size=$(stat -c %s "$1" 2>/dev/null || echo 0)
  if [ "$size" != $((44 + 4 * $2)) ]; then
    echo "FAIL: $1: size expected $((44 + 4 * $2)) ($2 frames), actual $size"
    fails=$((fails + 1))
  fi
  # RIFF, WAVE, PCM, 2 channels, 44100 Hz, 176400 bytes/s, block 4, 16 bits
  local head; head=$(od -An -v -tx1 -N 36 "$1" | tr -d ' \n')
  local want=52494646........57415645666d7420100000000100020044ac000010b1020004001000
  if ! [[ $head =~ ^$want$ ]]; then
    echo "FAIL: $1: header expected $want, actual $head"
    fails=$((fails + 1))
  fi
  local sum; sum=$(md5sum < "$1" | cut -c1-32)
  if [ "$sum" != "$3" ]; then
    echo "FAIL: $1: digest expected $3, actual $sum"
    fails=$((fails + 1))
  fi
}

# YM2203: FM 1 (block 4, F 618) and SSG A (TP 284); timer A of 1024 x 72
# master cycles (18461.5 us; the core counts its 55466 Hz FM clock) started
# at 0, its flag cleared at 20 ms; then the prescaler address alone.
cat > opn.txt <<'SCRIPT'
0 w 32 01
0 w 4e 00
0 w 5e 1f
0 w 8e 0f
0 w b2 07
0 w a6 22
0 w a2 6a
0 w 28 f2
0 w 00 1c
0 w 01 01
0 w 07 3e
0 w 08 0f
0 w 24 00
0 w 25 00
0 w 27 05
19000 s
20000 w 27 15
20000 s
30000 r 00
50000 a 2e
100000 end
SCRIPT
run 0 ym2203 opn.txt opn.wav
expect_out "ym2203" "18462 irq 1" "19000 status 01" "20000 irq 0" "20000 status 00" "30000 read 00 1c" \
  "36924 irq 1" "frames 4410"
expect_wav opn.wav 4410 9a652f3f1663ffbc02c9badd58d1b6eb

# YM2151: KC 0x4A on channel 1; timer B of 256 x 1024 cycles (65536 us).
cat > opm.txt <<'SCRIPT'
0 w 20 c7
0 w 40 01
0 w 60 7f
0 w 48 01
0 w 68 7f
0 w 50 01
0 w 70 7f
0 w 58 01
0 w 78 00
0 w 98 1f
0 w f8 0f
0 w 28 4a
0 w 08 78
0 w 12 00
0 w 14 0a
70000 s
70000 w 14 2a
70000 s
140000 end
SCRIPT
run 0 ym2151 opm.txt opm.wav
expect_out "ym2151" "65536 irq 1" "70000 status 02" "70000 irq 0" "70000 status 00" "131072 irq 1" "frames 6174"
expect_wav opm.wav 6174 9552677cb0e18cbab5ad73bf091256e0

# AY-3-8910: tone, envelope and noise, a mask from 25 ms, reads.
cat > ay.txt <<'SCRIPT'
# comment line
0 w 00 1c   # A: TP 284
0 w 01 01
0 w 02 00
0 w 03 02
0 w 06 07
0 w 07 1c
0 w 08 0f
0 w 09 10
0 w 0a 0a
0 w 0b 00
0 w 0c 08
0 w 0d 0e
25000 m 01
40000 r 00
40000 r 01
45000 end
SCRIPT
run 0 ay38910 ay.txt ay.wav
expect_out "ay38910" "40000 read 00 1c" "40000 read 01 01" "frames 1985"
expect_wav ay.wav 1985 04189165b26bbc4a57d3815b0dbe511d

# YM2608: ADPCM-B from a 1 KiB image at delta-N 0x8000 (about 74 ms); the
# end flag raises the line when the stream reaches it.
i=0; : > adpcm.bin
while [ $i -lt 64 ]; do printf '\x17\x9a\x3c\x05\xe2\x48\x71\xb6\x0f\xd3\x5e\x29\x84\xc1\x6a\xf8' >> adpcm.bin; i=$((i + 1)); done
cat > opna.txt <<'SCRIPT'
0 w 110 00
0 w 101 c0
0 w 102 00
0 w 103 00
0 w 104 ff
0 w 105 00
0 w 109 00
0 w 10a 80
0 w 10b ff
0 w 100 a0
10000 x
80000 x
80000 end
SCRIPT
run 0 ym2608 opna.txt opna.wav adpcm.bin
expect_out "ym2608" "10000 status-ex 28" "80000 irq 1" "80000 status-ex 0c" "frames 3528"
expect_wav opna.wav 3528 30ec7a894ea1f05fba7505e21e50978a

# Failures.
run 2 ym2203
expect_err "usage" "usage: chiprun"
run 2 ym9999 opn.txt x.wav
expect_err "unknown chip" "chiprun: unknown chip ym9999"
run 1 ym2203 missing.txt x.wav
expect_err "missing script" "chiprun: cannot open missing.txt"
printf '0 w 07 3e\n10 w 1ff 00\n' > bank.txt
run 1 ym2203 bank.txt x.wav
expect_err "bank-1 register on the OPN" "bank.txt line 2: bad command"
printf '100 w 07 3e\n50 w 08 0f\n' > back.txt
run 1 ay38910 back.txt x.wav
expect_err "time going back" "back.txt line 2: bad command"
printf '0 w 07 3g\n' > hex.txt
run 1 ay38910 hex.txt x.wav
expect_err "bad number" "hex.txt line 1: bad command"
run 2 ym2203 opn.txt x.wav adpcm.bin
expect_err "ADPCM image on the OPN" "only the ym2608 takes an ADPCM image"
head -c 262145 /dev/zero > big.bin
run 1 ym2608 opna.txt x.wav big.bin
expect_err "oversized ADPCM image" "larger than the 256 KiB ADPCM RAM"
run 1 ym2608 opna.txt x.wav missing.bin
expect_err "missing ADPCM image" "chiprun: cannot open missing.bin"
if [ -e x.wav ]; then
  echo "FAIL: a failed run left x.wav"
  fails=$((fails + 1))
fi

[ $fails -eq 0 ] && echo "chiprun: all checks passed"
exit $((fails > 0))
