#!/usr/bin/env bash
# Builds Install.exe and starts it under Wine from the sample distribution folder, on the user's
# display when there is one, otherwise on a virtual one, and saves a screenshot.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/configure-build.sh" "$build"
cmake --build "$build" -j"$(nproc)" --target distribution

export WINE_ROOT="$build/wine"
# The shipped 32-bit program, as clinics get it: natively where 32-bit Wine runs, else with Wine's 32-bit
# side emulated. Only where that cannot be set up, the 64-bit build of the same sources, and it says so.
dist="$build/dist"
stop_emulation() { :; }
if [ "$(bash "$root/scripts/windows-arch.sh")" = x86_64 ]; then
  cmake --build "$build" -j"$(nproc)" --target shipped_program
  # shellcheck source=wine32-emulation.sh
  . "$root/scripts/wine32-emulation.sh"
  if emulation_start; then
    dist="$build/shipped/dist"
    stop_emulation() { emulation_stop; }
  else
    echo "showing the 64-bit build of the same sources: this machine cannot run the shipped 32-bit program"
  fi
fi
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
trap 'stop_emulation' EXIT
wine_prepare_prefix x11 1024x768
had_display=""
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && had_display=yes
wine_use_display

shots="$build/screenshots"
mkdir -p "$shots"
cd "$dist"
echo "starting $dist/Install.exe"
wine_run Install.exe &
program=$!
sleep "${RUN_SHOT_DELAY:-6}"
import -display "$DISPLAY" -window root "$shots/run.png" 2>/dev/null && echo "screenshot: $shots/run.png"

if [ -z "$had_display" ]; then
  # Nobody can work the window on a virtual display: give it a while, then end it.
  for _ in $(seq "${RUN_TIMEOUT:-30}"); do kill -0 $program 2>/dev/null || break; sleep 1; done
  wine_stop_all
else
  wait $program
fi
