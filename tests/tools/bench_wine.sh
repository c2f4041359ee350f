#!/usr/bin/env bash
# Set-up and the Wine bench pointed at a broken Wine (TIV_WINE_DIR): each
# stops with a non-zero status and one line that says what failed, instead
# of going on (or ending silently) without Wine.
#   bench_wine.sh <scratch folder>
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$1
rm -rf "$work" && mkdir -p "$work"
fail=0
check() {   # check <what> <expected status> <expected text> <status> <output>
  if [ "$4" != "$2" ] || ! grep -qF -- "$3" <<<"$5"; then
    echo "FAIL $1: status $4 (want $2), output:"; echo "$5"; fail=1
  else
    echo "ok   $1"
  fi
}

# No Wine at all in the folder.
mkdir -p "$work/none"
out=$(TIV_WINE_DIR="$work/none" bash "$root/tools/setup.sh" 2>&1); rc=$?
check "setup without Wine" 1 "setup: Wine does not start here: $work/none/wine64 is not installed" "$rc" "$out"
out=$(TIV_WINE_DIR="$work/none" TIV_WINE_ARCH=win64 bash "$root/tools/bench.sh" "$work/b" true 2>&1); rc=$?
check "bench without Wine" 1 "bench: cannot run win64 programs here: $work/none/wine64 is not installed" "$rc" "$out"

# Loaders that exist but do not start (a damaged installation).
mkdir -p "$work/broken"
printf '#!/bin/sh\necho "wine: could not load kernel32.dll, status c0000135" >&2\nexit 1\n' > "$work/broken/wine64"
cp "$work/broken/wine64" "$work/broken/wine"
chmod +x "$work/broken/wine64" "$work/broken/wine"
out=$(TIV_WINE_DIR="$work/broken" bash "$root/tools/setup.sh" 2>&1); rc=$?
check "setup with a broken Wine" 1 \
  "setup: Wine does not start here: $work/broken/wine64 does not start: wine: could not load kernel32.dll, status c0000135" \
  "$rc" "$out"
out=$(TIV_WINE_DIR="$work/broken" TIV_WINE_ARCH=win32 bash "$root/tools/bench.sh" "$work/b" true 2>&1); rc=$?
check "bench with a broken Wine" 1 "bench: cannot run win32 programs here: $work/broken/wine does not start" "$rc" "$out"

# A loader that answers but cannot make a prefix: wineboot's own words are
# shown, then the bench's reason, and nothing is marked as made.
mkdir -p "$work/noboot"
cat > "$work/noboot/wine64" <<'FAKE'
#!/bin/sh
[ "$1" = --version ] && { echo wine-8.0; exit 0; }
echo "wineboot: cannot create $WINEPREFIX: read-only file system" >&2
exit 1
FAKE
chmod +x "$work/noboot/wine64"
out=$(TIV_WINE_DIR="$work/noboot" TIV_WINE_ARCH=win64 bash "$root/tools/bench.sh" "$work/b" true 2>&1); rc=$?
check "bench when wineboot fails (its output)" 1 "wineboot: cannot create $work/b/wine/win64/prefix: read-only file system" "$rc" "$out"
check "bench when wineboot fails (the reason)" 1 "bench: wineboot could not make the win64 prefix" "$rc" "$out"
if [ -e "$work/b/wine/win64/prefix.ok" ]; then echo "FAIL the failed prefix is marked as made"; fail=1; fi
exit $fail
