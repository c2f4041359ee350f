#!/usr/bin/env bash
# Types a member's id and password into the login dialog of a running
# login.exe on the current X display and presses LOGIN, as a member would
# (xdotool): the demo and the login's typed test.
#   login-type.sh <id> <password> [<shots folder>]
# With a folder it keeps 01-typed.png (both fields filled, LOGIN released)
# and 02-pressed.png (LOGIN held down). Prints the dialog's top-left corner
# ("X=.. Y=..") for the caller's own checks. Fails when no dialog of
# login.exe appears within a minute.
set -euo pipefail
id=$1 pw=$2 shots=${3:-}
wid=
for _ in $(seq 1 120); do
  wid=$(xdotool search --onlyvisible --classname login.exe 2>/dev/null | head -n1 || true)
  [ -n "$wid" ] && break
  sleep 0.5
done
[ -n "$wid" ] || { echo "login-type: no login dialog" >&2; exit 1; }
sleep 1
eval "$(xdotool getwindowgeometry --shell "$wid")"
# Where resources/mkart.pl frames the id, the password and LOGIN (login/logindlg_win.cpp puts the controls there).
xdotool mousemove $((X + 200)) $((Y + 82)) click 1
xdotool type --delay 50 "$id"
xdotool mousemove $((X + 200)) $((Y + 114)) click 1
xdotool type --delay 50 "$pw"
xdotool mousemove $((X + 245)) $((Y + 159))
sleep 0.5
[ -z "$shots" ] || import -window root "$shots/01-typed.png"
xdotool mousedown 1
sleep 0.7
[ -z "$shots" ] || import -window root "$shots/02-pressed.png"
xdotool mouseup 1
echo "X=$X Y=$Y W=$WIDTH H=$HEIGHT"
