#!/usr/bin/env bash
# Builds everything and runs every test under Wine; ends with ctest's summary.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
arch="$(bash "$root/scripts/windows-arch.sh")"
# A build folder made for the other architecture is made anew: its toolchain cannot change.
if [ -f "$build/CMakeCache.txt" ] && ! grep -qx "INSTALL_TARGET_ARCH:STRING=$arch" "$build/CMakeCache.txt"; then
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake -S "$root" -B "$build" -DINSTALL_TARGET_ARCH="$arch" -DCMAKE_BUILD_TYPE=Release -DINSTALL_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export WINE_ROOT="$build/wine"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
# The servers and the private X display are left to linger between tests; end them with the run.
trap wine_stop_all EXIT
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
