#!/usr/bin/env bash
# Writes the demo installation into the bench's Wine prefix: the installer's
# registry values and the application folder with the programs and their
# settings files.
# Run inside tools/bench.sh (it needs WINEPREFIX); $1 is the Windows build
# folder, $2 the application folder's name under C:\ (default tiv).
# TIV_DEMO_NOREG=1 writes the files only and leaves the registry alone.
#
# The installed files are exactly what the uninstaller keeps (its keep list,
# uninstaller/uninstpath.cpp); the member's folder under contents\ is what
# the login would have made. tests/uninstaller/demo_keep.sh checks both.
set -euo pipefail
[ -n "${WINEPREFIX:-}" ] || { echo "demo-install: run inside tools/bench.sh" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
name=${2:-tiv}
win="C:\\$name"

app="$WINEPREFIX/drive_c/$name"
mkdir -p "$app/contents" "$app/cache" "$app/player"

reg() { [ "${TIV_DEMO_NOREG:-0}" = 1 ] || wine reg add 'HKLM\SOFTWARE\tiv' /v "$1" /d "$2" /f >/dev/null; }
skin=default
reg apppath "$win\\"
reg cntpath "$win\\contents\\"
reg skin "$skin"

# The six programs, those this build has: the launcher, the login, the
# updater, the game runner, the music player (in player\) and the uninstaller.
for prog in launcher/screens/tiv_launcher.exe login/login.exe pullagent/pullagent.exe qr/qr.exe \
            uninstaller/uninstaller.exe; do
  if [ -f "$build/$prog" ]; then cp "$build/$prog" "$app/"; fi
done
for prog in chipplay/chipplay.exe chipplay/win32/chipplay.exe chipplay/player/chipplay.exe; do
  if [ -f "$build/$prog" ]; then cp "$build/$prog" "$app/player/"; fi
done

# The skin, under the registry's skin name, and the layout files, as the
# build drew them (resources/mkart.pl).
cp "$build/resources/art/skin.bin" "$app/$skin"
for f in lcs lcd lcm; do cp "$build/resources/art/$f.bin" "$app/$f.bin"; done
# The sale modes' splash file and the picture it names.
cp "$build/resources/art/sp.bin" "$build/resources/art/splash.bmp" "$app/"

# The image cache's placeholder, named by env.bin's
# [IMAGE_CONTENTSLIST_CONTENTS_UNDERCONSTRUCT]; the captures themselves come
# from the stand-in service when a row is opened.
cp "$build/resources/art/underconstruct.bmp" "$app/cache/underconstruct.bmp"

# env.bin: the text in Shift-JIS with CR LF line ends, every byte inverted.
tmp=$(mktemp)
iconv -f UTF-8 -t CP932 "$here/demo/env.txt" | sed 's/$/\r/' > "$tmp"
cp "$tmp" "$app/env.txt.sjis"
wine "$build/tools/tivtool.exe" invert "$win\\env.txt.sjis" "$win\\env.bin"
rm -f "$tmp" "$app/env.txt.sjis"
[ -f "$app/appset.bin" ] || wine "$build/tools/tivtool.exe" appset-default "$win\\appset.bin"

# The demo member: user id "demo01", password "demo". Their folder is the
# content path followed by the MD5 of the user id.
member=$(wine "$build/tools/tivtool.exe" md5 demo01 | tr -d '\r')
mkdir -p "$app/contents/$member/save" "$app/contents/$member/skin"
# Their store holds the demo catalogue (tools/demo/records.txt, the form the
# service replies in), so the list has rows before the first reply.
if [ ! -f "$app/contents/$member/REG.DAT" ]; then
  cp "$here/demo/records.txt" "$app/records.tmp"
  wine "$build/tools/tivtool.exe" mkstore "$win\\contents\\$member\\REG.DAT" demo01 demo "$win\\records.tmp"
  rm -f "$app/records.tmp"
fi
echo "demo-install: installation written to $win (prefix $WINEPREFIX)"
