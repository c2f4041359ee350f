#!/usr/bin/env bash
# The demo installation and the uninstaller's keep list agree: every file
# tools/demo-install.sh installs is kept, every file of the member's folder
# (what the login makes) is deleted, and the programs of this build are
# installed.
#   demo_keep.sh <emulator> <keepcheck> <build folder> <source folder>
set -euo pipefail
emu=$1 keepcheck=$2 build=$3 src=$4
[ -n "${WINEPREFIX:-}" ] || { echo "demo_keep: run inside tools/bench.sh" >&2; exit 2; }
# One slot of the bench for the installation and the check that reads it.
. "$src/tools/bench-slot.sh"
bench_take_slot
name=tiv-keepcheck
app="$WINEPREFIX/drive_c/$name"
rm -rf "$app"
TIV_DEMO_NOREG=1 bash "$src/tools/demo-install.sh" "$build" "$name" >/dev/null

fail=0
for prog in tiv_launcher.exe qr.exe uninstaller.exe; do
  [ -f "$app/$prog" ] || { echo "FAIL: $prog not installed"; fail=1; }
done
for pair in login/login.exe:login.exe pullagent/pullagent.exe:pullagent.exe; do
  if [ -f "$build/${pair%%:*}" ] && [ ! -f "$app/${pair##*:}" ]; then echo "FAIL: ${pair##*:} not installed"; fail=1; fi
done

mapfile -t files < <(cd "$app" && find . -type f | sed 's|^\./||' | sort)
[ ${#files[@]} -gt 0 ] || { echo "FAIL: nothing installed"; exit 1; }
rel=()
for f in "${files[@]}"; do rel+=("${f//\//\\}"); done
out=$($emu "$keepcheck" "${rel[@]}" | tr -d '\r')
members=0
while read -r verdict path; do
  case "$path" in
    'contents\'*) want=delete; members=$((members + 1)) ;;
    *) want=keep ;;
  esac
  if [ "$verdict" != "$want" ]; then echo "FAIL: $path: the uninstaller would $verdict it"; fail=1; fi
done <<<"$out"
[ "$members" -gt 0 ] || { echo "FAIL: no member folder in the demo installation"; fail=1; }
echo "$out"
rm -rf "$app"
exit $fail
