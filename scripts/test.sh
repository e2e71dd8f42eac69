#!/usr/bin/env bash
# Builds everything and runs every test under Wine; ends with ctest's summary. Arguments go to ctest
# (-R REGEX runs some tests with the same set-up).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/configure-build.sh" "$build" -DINSTALL_BUILD_TESTS=ON
cmake --build "$build" -j"$(nproc)"

export WINE_ROOT="$build/wine"
# Where this machine cannot run 32-bit Wine, the shipped 32-bit programs run with the 32-bit side
# emulated, for the whole run; the tests' 64-bit programs run natively beside them.
stop_emulation() { :; }
if [ "$(bash "$root/scripts/windows-arch.sh")" = x86_64 ]; then
  # shellcheck source=wine32-emulation.sh
  . "$root/scripts/wine32-emulation.sh"
  emulation_start
  stop_emulation() { emulation_stop; }
fi
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
# The servers and the private X display are left to linger between tests; end them with the run, and
# the emulation's binfmt entry after them.
trap 'wine_stop_all; stop_emulation' EXIT
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300 "$@"
