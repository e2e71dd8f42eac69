#!/usr/bin/env bash
# Runs a Windows program under the test prefix (headless); used as CMake's crosscompiling emulator.
set -Eeuo pipefail
# A step before the program starts that fails would otherwise end the run without a word, which a test
# report shows as a failure with no output at all.
trap 'echo "wine-run: \"$BASH_COMMAND\" failed (exit $?) before the program started" >&2' ERR
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export WINE_ROOT="${WINE_ROOT:-$here/../build/wine}"
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
wine_prepare_prefix null
wine_start_server "${WINESERVER_LINGER:-20}"
wine_exec "$@"
