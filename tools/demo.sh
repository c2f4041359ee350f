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
export TIV_DEMO_PLAYER_SHOT="$root/build/demo/player.png"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then export TIV_BENCH_DISPLAY=host; fi
tools/bench.sh build/demo bash -c '
  set -e
  tools/demo-install.sh "$TIV_DEMO_WIN"
  top=$PWD
  # The client-version pack the service hands out.
  printf "demo client 1.0\r\n" > build/demo/site/version.txt
  (cd build/demo/site && wine "$OLDPWD/$TIV_DEMO_WIN/tools/tivpack.exe" build root/client/ver.bin CNPFVR05 version 1,s,version.txt,version.txt >/dev/null)
  # The packs of DEMO0001 (tools/demo/records.txt names them): the game, the
  # project'"'"'s stand-in game (it notes what it was given in game.rec), and
  # its music, one of the project'"'"'s own music archives.
  mkdir -p build/demo/site/root/dl
  cp "$TIV_DEMO_WIN/tests/qr/testgame.exe" build/demo/site/game.exe
  cp "$TIV_DEMO_WIN/tests/music/kzd/pc88_opna.kzd" build/demo/site/music.kzd
  # (The packer reports its progress on standard error.)
  (cd build/demo/site &&
   wine "$top/$TIV_DEMO_WIN/tools/tivpack.exe" build root/dl/demo0001.pack CNPFVR05 content "11,z,game.exe,DEMO0001\\game.exe,PLAY" >/dev/null 2>&1 &&
   wine "$top/$TIV_DEMO_WIN/tools/tivpack.exe" build root/dl/demo0001s.pack CNPFVR05 content "12,z,music.kzd,DEMO0001\\music.kzd,OPNA" >/dev/null 2>&1) ||
    { echo "demo: the packs of DEMO0001 could not be built" >&2; exit 1; }
  app="$WINEPREFIX/drive_c/tiv"
  member=$(wine "$TIV_DEMO_WIN/tools/tivtool.exe" md5 demo01 | tr -d "\r")
  # The stand-in game plays for five seconds: the runner counts a minute.
  mkdir -p "$app/contents/$member/DEMO0001"
  printf "run=5000\n" > "$app/contents/$member/DEMO0001/game.cfg"
  wait_for() { for _ in $(seq 1 "$1"); do if eval "$2"; then return 0; fi; sleep 1; done; echo "demo: gave up waiting for: $2"; return 1; }
  tool() { wine "$top/$TIV_DEMO_WIN/tools/tivtool.exe" "$@"; }
  posts() { grep -c "^POST" "$top/build/demo/site/req.log" 2>/dev/null || true; }
  echo
  echo "== the installation as the programs read it"
  wine "$TIV_DEMO_WIN/tools/tivtool.exe" show demo01 | iconv -f CP932 -t UTF-8
  echo
  echo "== starting the launcher (C:\\tiv\\tiv_launcher.exe -start tiv,)"
  cp "$TIV_DEMO_WIN/launcher/screens/tiv_launcher.exe" "$WINEPREFIX/drive_c/tiv/"
  cd "$WINEPREFIX/drive_c/tiv"
  # A Windows program of the GUI has no console; under Wine what it prints
  # (the packer'"'"'s running byte counts while a game is stored) would land
  # here as a line of hundreds of numbers: it goes to a file instead.
  out="$top/build/demo/launcher.out"
  if [ -n "${TIV_HOST_DISPLAY:-}" ]; then
    echo "(close the launcher window to end the demo)"
    wine tiv_launcher.exe -start tiv, >"$out"
  else
    wine tiv_launcher.exe -start tiv, >"$out" &
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
    if [ -s "$top/build/demo/site/pid" ]; then
      echo
      echo "== the update button: the catalogue from the stand-in service"
      n=$(posts)
      wait_for 30 "tool press \"TIV Launcher\" 1" &&
      wait_for 60 "[ \$(posts) -gt $n ]" &&
      wait_for 60 "grep -q \"^GET.*/client/ver.bin\" \"$top/build/demo/site/req.log\"" &&
      sleep 3 && grep "^POST" "$top/build/demo/site/req.log" | tail -1 | cut -f1,2,5
      echo
      echo "== play of DEMO0001: its pack from the stand-in, then the game through qr.exe"
      game="$app/contents/$member/DEMO0001"
      tool rowbutton "TIV Launcher" 5 0 &&
      wait_for 60 "grep -q ended= \"$game/game.rec\" 2>/dev/null" &&
      grep "^GET.*demo0001.pack" "$top/build/demo/site/req.log" | cut -f1,2 &&
      sed -n "s/^\(cmdline\|cwd\)=/  game started: \1=/p" "$game/game.rec" | iconv -f CP932 -t UTF-8 &&
      wait_for 30 "[ -f \"$app/pt.bin\" ]" &&
      tool invert "C:\\tiv\\pt.bin" "C:\\tiv\\pt.txt" && echo "  pt.bin (user, content, minutes): $(cat "$app/pt.txt")" && rm -f "$app/pt.txt"
      echo
      echo "== the sound button of DEMO0001: its music from the stand-in, then the music player"
      sleep 3
      player="TIV VELQA SOUND PLAYER"
      if tool rowbutton "TIV Launcher" 4 0 &&
         wait_for 60 "grep -q \"^GET.*demo0001s.pack\" \"$top/build/demo/site/req.log\"" &&
         wait_for 60 "tool exists \"$player\""; then
        grep "^GET.*demo0001s.pack" "$top/build/demo/site/req.log" | cut -f1,2
        echo "  player\\chipplay.exe is open"
        # A double-click on the first song of the list plays it.
        sleep 2
        if wid=$(xdotool search --name "^$player\$" | head -n1) && [ -n "$wid" ]; then
          xdotool mousemove --window "$wid" 60 200 click --repeat 2 --delay 80 1 || true
          # Then the keyboard and level-meter windows (KBD and LVL), docked under it.
          sleep 3
          xdotool mousemove --window "$wid" 485 93 click 1 || true
          sleep 1
          xdotool mousemove --window "$wid" 485 123 click 1 || true
        fi
        sleep 4
        import -window root "$TIV_DEMO_PLAYER_SHOT" && echo "screenshot: $TIV_DEMO_PLAYER_SHOT"
        tool close "$player" || true
        wait_for 20 "! tool exists \"$player\"" && echo "  the player has closed"
      fi
    fi
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
