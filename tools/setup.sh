#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, once.
# Safe to run again: it only installs what is missing.
set -euo pipefail

need_pkgs=(wine wine32:i386 wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
           xvfb xauth x11-utils xdotool imagemagick locales fonts-ipafont-gothic
           cmake ninja-build g++ googletest libbenchmark-dev
           zlib1g-dev libminizip-dev pasmo
           pulseaudio pulseaudio-utils)

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
    echo "setup: need root to run: $*" >&2; return 1; fi
}

missing=()
for p in "${need_pkgs[@]}"; do
  # dpkg-query wants the arch-qualified name for foreign packages only
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Shift-JIS text only draws (and GetACP() only answers 932) under a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating ja_JP.UTF-8"
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen >/dev/null
fi

# minizip has no MinGW package: build the unzip side (and the zip side, which
# the tests use to make archives) from contrib/minizip of Debian's zlib
# source package, once per target, into build/deps (never committed).
root=$(cd "$(dirname "$0")/.." && pwd)
targets=()
for t in i686-w64-mingw32 x86_64-w64-mingw32; do
  [ -f "$root/build/deps/minizip-$t/lib/libminizip.a" ] || targets+=("$t")
done
if [ ${#targets[@]} -gt 0 ]; then
  echo "setup: building minizip for ${targets[*]}"
  if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        | as_root tee /etc/apt/sources.list.d/tiv-deb-src.sources >/dev/null
    else
      echo "deb-src http://deb.debian.org/debian $(. /etc/os-release && echo "$VERSION_CODENAME") main" \
        | as_root tee /etc/apt/sources.list.d/tiv-deb-src.list >/dev/null
    fi
    as_root apt-get update -qq
  fi
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  got=
  # The newest (security) version is not always on the mirror: try each.
  for v in $(apt-cache showsrc zlib | awk '/^Version:/ {print $2}' | sort -u -r -V); do
    if (cd "$work" && apt-get source -qq --download-only "zlib=$v" >/dev/null 2>&1); then got=$v; break; fi
    rm -f "$work"/*
  done
  [ -n "$got" ] || { echo "setup: cannot download Debian's zlib sources" >&2; exit 1; }
  orig=$(ls "$work"/zlib_*.orig.tar.* | head -n1)
  tar -C "$work" -xf "$orig" --wildcards '*/contrib/minizip/*'
  src=$(dirname "$(ls "$work"/*/contrib/minizip/unzip.c)")
  for t in "${targets[@]}"; do
    deps="$root/build/deps/minizip-$t"
    mkdir -p "$deps/include/minizip" "$deps/lib" "$work/obj-$t"
    for f in unzip ioapi zip; do
      "$t-gcc-posix" -O2 -w -c "$src/$f.c" -o "$work/obj-$t/$f.o"
    done
    "$t-ar" rcs "$work/lib-$t.a" "$work/obj-$t"/*.o
    cp "$src"/unzip.h "$src"/zip.h "$src"/ioapi.h "$src"/crypt.h "$deps/include/minizip/"
    mv "$work/lib-$t.a" "$deps/lib/libminizip.a"
  done
  echo "setup: minizip $got built"
fi

# Wine must start: the 64-bit loader everywhere, the 32-bit one wherever the
# kernel runs 32-bit programs (a host without them tests the 64-bit build).
. "$root/tools/wine-arch.sh"
if ! wine_runs win64; then
  echo "setup: Wine does not start here: $wine_why" >&2
  exit 1
fi
if wine_runs win32; then
  echo "setup: Wine runs 32-bit and 64-bit programs here"
else
  echo "setup: Wine runs only 64-bit programs here ($wine_why)"
fi
echo "setup: ok"
