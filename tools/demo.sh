#!/usr/bin/env bash
# The main job: builds the Windows programs, installs the demo installation
# into a Wine prefix of its own (build/demo) and runs what the system has.
#
# It runs the shipped 32-bit programs where this host runs 32-bit programs,
# else the same programs built for 64-bit Windows. TIV_WINE_ARCH=win32 or
# win64 chooses; JOBS=N sets the build parallelism.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-$(nproc)}

bash tools/setup.sh
. tools/wine-arch.sh
wine_pick_arch
echo "demo: $wine_arch_why"
export TIV_WINE_ARCH=$wine_arch
win="build/$wine_arch"
windows_build "$wine_arch" "$jobs" -DCMAKE_BUILD_TYPE=RelWithDebInfo
export TIV_DEMO_WIN="$win"

# The stand-in service on 127.0.0.1:80 (port 80 needs root; without it the
# launcher simply finds no service). The Windows build made it with the
# host compiler, as it does for the tests.
mkdir -p build/demo/site/root/client build/demo/site/root/html
cp tools/demo/site.txt tools/demo/records.txt build/demo/site/
# The pages of the launcher's news and banner panes ("[HTMLPAGE_NEWPRODUCT]",
# "[HTMLPAGE_BANNER]" of env.txt), in Shift-JIS as the service writes them.
for p in newproduct banner; do
  iconv -f UTF-8 -t CP932 "tools/demo/$p.html" > "build/demo/site/root/html/$p.html"
done
# The screenshots of the demo catalogue, where [IMAGEWEBPAGE] points.
mkdir -p build/demo/site/root/image
for n in 1 2 3 4 5; do cp "$win/resources/art/capture$n.bmp" "build/demo/site/root/image/demo000$n.bmp"; done
rm -f build/demo/site/pid
"$win/tools/standin/host/standin" --addr 127.0.0.1 --port 80 --site build/demo/site/site.txt --root build/demo/site/root \
  --log build/demo/site/req.log --ready build/demo/site/pid &
standin_pid=$!
trap 'kill $standin_pid 2>/dev/null || true' EXIT
sleep 0.5
[ -s build/demo/site/pid ] || echo "demo: the stand-in service did not start (port 80 needs root)"

# With a display of your own (DISPLAY set and answering) the launcher's
# window appears there; without one it runs on the bench's virtual display
# and a screenshot is left in build/demo/screenshot.png.
export TIV_DEMO_SHOT="$root/build/demo/screenshot.png"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then export TIV_BENCH_DISPLAY=host; fi
tools/bench.sh build/demo bash -c '
  set -e
  tools/demo-install.sh "$TIV_DEMO_WIN"
  # The client-version pack the service hands out.
  printf "demo client 1.0\r\n" > build/demo/site/version.txt
  (cd build/demo/site && wine "$OLDPWD/$TIV_DEMO_WIN/tools/tivpack.exe" build root/client/ver.bin CNPFVR05 version 1,s,version.txt,version.txt >/dev/null)
  echo
  echo "== the installation as the programs read it"
  wine "$TIV_DEMO_WIN/tools/tivtool.exe" show demo01 | iconv -f CP932 -t UTF-8
  echo
  echo "== starting the launcher (C:\\tiv\\tiv_launcher.exe -start tiv,)"
  cp "$TIV_DEMO_WIN/launcher/screens/tiv_launcher.exe" "$WINEPREFIX/drive_c/tiv/"
  cd "$WINEPREFIX/drive_c/tiv"
  if [ -n "${TIV_HOST_DISPLAY:-}" ]; then
    echo "(close the launcher window to end the demo)"
    wine tiv_launcher.exe -start tiv,
  else
    wine tiv_launcher.exe -start tiv, &
    # A new prefix makes the first start slow: wait (up to a minute) until
    # the window has painted its skin, then take the picture.
    for i in $(seq 1 60); do
      sleep 1
      import -window root "$TIV_DEMO_SHOT" 2>/dev/null || continue
      lit=$(convert "$TIV_DEMO_SHOT" -gravity center -crop 600x260+0+0 -format "%[fx:mean]" info: 2>/dev/null || echo 0)
      awk -v m="$lit" "BEGIN { exit !(m > 0.15) }" && break
    done
    sleep 2   # the list and the panes settle
    import -window root "$TIV_DEMO_SHOT" && echo "screenshot: $TIV_DEMO_SHOT"
    wine "$OLDPWD/$TIV_DEMO_WIN/tools/tivtool.exe" close "TIV Launcher" || true
    sleep 2   # what is still running ends with the bench
  fi
'

# A second member, demo02 (password "demo"), signs in for the first time on
# this machine through login.exe: the service checks the account, the login
# writes their REG.DAT and starts the launcher, which now has two members
# and asks which one. Typed with xdotool on the virtual display (on your own
# display you type it yourself).
export TIV_DEMO_LOGIN_SHOT="$root/build/demo/login.png"
tools/bench.sh build/demo bash -c '
  set -e
  cd "$WINEPREFIX/drive_c/tiv"
  member=$(wine "$OLDPWD/$TIV_DEMO_WIN/tools/tivtool.exe" md5 demo02 | tr -d "\r")
  rm -rf "contents/$member"   # a first sign-in, every time the demo runs
  echo
  echo "== a second member signs in (C:\\tiv\\login.exe: demo02 / demo)"
  if [ -n "${TIV_HOST_DISPLAY:-}" ]; then
    echo "(type demo02 and demo into the login dialog; close the launcher to end)"
    wine login.exe
  else
    wine login.exe &
    login=$!
    bash "$OLDPWD/tools/login-type.sh" demo02 demo >/dev/null
    for _ in $(seq 1 60); do [ -f "contents/$member/REG.DAT" ] && break; sleep 0.5; done
    sleep 1
    import -window root "$TIV_DEMO_LOGIN_SHOT" && echo "screenshot: $TIV_DEMO_LOGIN_SHOT"
    xdotool key Return   # LOGIN:116: the launcher follows
    for _ in $(seq 1 60); do kill -0 $login 2>/dev/null || break; sleep 0.5; done
    sleep 4
    wine "$OLDPWD/$TIV_DEMO_WIN/tools/tivtool.exe" close "TIV Launcher" || true
    sleep 2
  fi
  echo
  echo "== demo02 as the programs now read them"
  wine "$OLDPWD/$TIV_DEMO_WIN/tools/tivtool.exe" show demo02 | iconv -f CP932 -t UTF-8
'

# A song of one of the project's own music archives, played by the music
# player's machine (Z80, YM2608, the PC-8801's ports) into a WAV file.
tools/bench.sh build/demo bash -c '
  set -e
  echo
  echo "== a song of the music archive pc88_opna (songrender.exe, song 3, 10 s)"
  wine "$TIV_DEMO_WIN/tools/songrender/songrender.exe" "$TIV_DEMO_WIN/tests/music/kzd/pc88_opna.kzd" 3 10 build/demo/song.wav
  echo "written: build/demo/song.wav"
'
