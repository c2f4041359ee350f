#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, once.
# Safe to run again: it only installs what is missing.
set -euo pipefail

need_pkgs=(wine wine32:i386 wine64 g++-mingw-w64-i686 libz-mingw-w64-dev
           xvfb xauth x11-utils xdotool imagemagick locales fonts-ipafont-gothic
           cmake ninja-build g++ googletest libbenchmark-dev)

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
echo "setup: ok"
