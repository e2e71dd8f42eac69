#!/usr/bin/env bash
# Builds everything and runs every test under Wine; ends with ctest's summary.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/configure-build.sh" "$build" -DINSTALL_BUILD_TESTS=ON
cmake --build "$build" -j"$(nproc)"

export WINE_ROOT="$build/wine"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
# The servers and the private X display are left to linger between tests; end them with the run.
trap wine_stop_all EXIT
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
