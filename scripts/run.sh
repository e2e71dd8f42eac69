#!/usr/bin/env bash
# Builds Install.exe and starts it under Wine from the sample distribution folder, on the user's
# display when there is one, otherwise on a virtual one, and saves a screenshot.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target distribution

export WINE_ROOT="$build/wine"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
wine_prepare_prefix x11 1024x768

xvfb_pid=""
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  export DISPLAY=:97
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  sleep 1
fi

shots="$build/screenshots"
mkdir -p "$shots"
cd "$build/dist"
wine_run Install.exe &
program=$!
sleep "${RUN_SHOT_DELAY:-6}"
import -display "$DISPLAY" -window root "$shots/run.png" 2>/dev/null && echo "screenshot: $shots/run.png"

if [ -n "$xvfb_pid" ]; then
  # Nobody can work the window on a virtual display: give it a while, then end it.
  timeout_s="${RUN_TIMEOUT:-30}"
  for _ in $(seq "$timeout_s"); do kill -0 $program 2>/dev/null || break; sleep 1; done
  wineserver -k 2>/dev/null || true
else
  wait $program
fi
