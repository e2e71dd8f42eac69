#!/usr/bin/env bash
# Installs everything the build, the tests and the visual runs need on a bare Debian 12.
# Idempotent and quiet when all is present already.
set -euo pipefail

need=(cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 libz-mingw-w64-dev googletest
      wine wine32:i386 locales xvfb xauth imagemagick fonts-wine fonts-liberation fonts-dejavu-core
      libxrender1:i386 libxrandr2:i386 libxcursor1:i386 libxi6:i386 libxcomposite1:i386
      libxinerama1:i386 libxfixes3:i386 libxxf86vm1:i386 libgnutls30:i386 libfreetype6:i386
      libfontconfig1:i386 x11-utils xdotool file g++ zlib1g-dev python3
      # Where the kernel refuses 32-bit x86 code, the tests are 64-bit programs under 64-bit Wine, and
      # the shipped 32-bit ones run with Wine's 32-bit side emulated.
      g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 qemu-user-static gcc
      libxrender1 libxrandr2 libxcursor1 libxi6 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1
      libgnutls30 libfreetype6 libfontconfig1)

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
