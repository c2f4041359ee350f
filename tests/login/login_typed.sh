#!/usr/bin/env bash
# A member types their account into the real login.exe (xdotool on the
# bench's display) and the screens are kept for a person to look at:
#   01-typed.png     the shaped dialog, both fields filled, LOGIN released
#   02-pressed.png   LOGIN held down (both from tools/login-type.sh)
#   03-checking.png  the shaped window with its splash and the progress
#                    window while the (delayed) check runs
#   04-reply.png     LOGIN:116
# Checks: LOGIN is drawn differently while held, the login ends by itself,
# the member's REG.DAT exists and the launcher (a recorder) was started with
# its quoted path in the application folder, whose path holds a blank.
# Run inside tools/bench.sh:  login_typed.sh <login.exe> <recorder.exe> <art dir> <127.0.0.N> <out dir>
set -euo pipefail
login=$1 recorder=$2 art=$3 addr=$4 out=$5
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
# A slot of the bench's own: its display, prefix and registry for this run.
. "$tools/bench-slot.sh"
bench_take_slot
rm -rf "$out" && mkdir -p "$out/typed app/contents"
app="$out/typed app"
win_app="Z:$(printf '%s' "$app" | tr / '\\')\\"
cp "$art/sp.bin" "$art/splash.bmp" "$app/"
cp "$recorder" "$app/tiv_launcher.exe"
printf '[CGITOPPAGE]\r\n%s\r\n[CGIPAGE_CHECKUSER]\r\n/cgi-bin/checkuser.cgi\r\n' "$addr" |
  perl -0777 -pe '$_ = join "", map { chr(~ord($_) & 255) } split //' > "$app/env.bin"
reg() { wine reg add 'HKLM\SOFTWARE\tiv' /v "$1" /d "$2" /f >/dev/null 2>&1; }
unreg() { wine reg delete 'HKLM\SOFTWARE\tiv' /v "$1" /f >/dev/null 2>&1 || true; }
reg apppath "$win_app"; reg cntpath "${win_app}contents\\"; reg skin skin.bin
login_pid=
cleanup() { [ -n "$login_pid" ] && kill "$login_pid" 2>/dev/null; unreg apppath; unreg cntpath; unreg skin; }
trap cleanup EXIT
fail() { echo "login_typed: $*" >&2; exit 1; }
shot() { import -window root "$out/$1"; }

(cd "$app" && exec wine "$login" 9>&-) &
login_pid=$!
eval "$(bash "$tools/login-type.sh" typedman pw1 "$out")"
[ "$W" = 320 ] && [ "$H" = 200 ] || fail "the dialog is ${W}x$H, not 320x200"
# The check takes six seconds at the stand-in: the progress window shows meanwhile.
sleep 3.5
shot 03-checking.png
member=$(printf typedman | md5sum | cut -c1-32)
for _ in $(seq 1 60); do
  [ -f "$app/contents/$member/REG.DAT" ] && break
  sleep 0.5
done
sleep 1
shot 04-reply.png
xdotool key Return
for _ in $(seq 1 60); do kill -0 "$login_pid" 2>/dev/null || break; sleep 0.5; done
kill -0 "$login_pid" 2>/dev/null && fail "the login did not end"
login_pid=

button() { convert "$out/$1" -crop "90x38+$((X + 200))+$((Y + 140))" +repage -format '%#' info:; }
[ "$(button 01-typed.png)" != "$(button 02-pressed.png)" ] || fail "LOGIN looks the same held and released"
[ -f "$app/contents/$member/REG.DAT" ] || fail "no REG.DAT"
for _ in $(seq 1 40); do grep -q started "$app/game.rec" 2>/dev/null && break; sleep 0.5; done
grep -qF "cmdline=[\"${win_app}tiv_launcher.exe\" -start tiv,]" "$app/game.rec" || fail "launcher: $(cat "$app/game.rec" 2>/dev/null)"
echo "login_typed: signed in; screens in $out"
