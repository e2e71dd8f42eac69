#!/usr/bin/env bash
# Configures the build folder $1 for the Windows programs this machine can run (scripts/windows-arch.sh),
# as a release build, with the further CMake options given after it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$1"
shift
arch="$(bash "$root/scripts/windows-arch.sh")"
# A build folder made for the other architecture is made anew: its toolchain cannot change.
if [ -f "$build/CMakeCache.txt" ] && ! grep -qx "INSTALL_TARGET_ARCH:STRING=$arch" "$build/CMakeCache.txt"; then
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake -S "$root" -B "$build" -DINSTALL_TARGET_ARCH="$arch" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
