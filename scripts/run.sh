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
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
wine_prepare_prefix x11 1024x768
had_display=""
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && had_display=yes
wine_use_display

shots="$build/screenshots"
mkdir -p "$shots"
cd "$build/dist"
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
