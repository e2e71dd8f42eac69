#!/usr/bin/env bash
# Runs a Windows program under the visual prefix on an X display: the user's one when it works,
# otherwise a private Xvfb started once and reused (scripts/test.sh stops it at the end).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export WINE_ROOT="${WINE_ROOT:-$here/../build/wine}"
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_prepare_prefix x11 1024x768
wine_use_display
wine_start_server "${WINESERVER_LINGER:-20}"
wine_exec "$@"
