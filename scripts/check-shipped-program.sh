#!/usr/bin/env bash
# Runs the shipped 32-bit Install.exe as a clinic's PC would: an unattended installation from the
# shipped distribution into a fresh folder of a prefix of its own, then checks the exit code, the
# installed tree and where Windows put what a 32-bit program writes. Natively where 32-bit Wine runs;
# elsewhere in a 64-bit (WoW64) prefix with the 32-bit side emulated (scripts/wine32-emulation.sh).
# Usage: check-shipped-program.sh BUILD_DIR SHIPPED_DIST_DIR
set -euo pipefail
build="$1" dist="$2"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
arch="$(bash "$root/scripts/windows-arch.sh")"
export WINE_ROOT="$build/wine-shipped"
mkdir -p "$WINE_ROOT"
how=natively
export WINE_ARCH=win32
stop_emulation() { :; }
if [ "$arch" = x86_64 ]; then
  export WINE_ARCH=win64
  how="with the 32-bit side emulated, in a 64-bit (WoW64) prefix"
  # The test run's emulation when there is one; otherwise this check's own.
  if [ -z "${WINE_EMULATION_DIR:-}" ]; then
    # shellcheck source=wine32-emulation.sh
    . "$root/scripts/wine32-emulation.sh"
    emulation_start
    stop_emulation() { emulation_stop; }
  fi
fi
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
trap 'wine_stop_all; stop_emulation' EXIT

start=$(date +%s)
wine_prepare_prefix null
wine_start_server 30
prefix_made=$(( $(date +%s) - start ))

target="$WINEPREFIX/drive_c/shipped-check"
log="$WINEPREFIX/drive_c/shipped-check.log"
rm -rf "$target" "$log" "$WINEPREFIX/drive_c/Program Files/Zuzavo" "$WINEPREFIX/drive_c/Program Files (x86)/Zuzavo"
cd "$dist"
start=$(date +%s)
status=0
timeout 600 env "${WINE_LOCALE[@]}" "$WINE_LOADER" Install.exe /VERYSILENT /NODRIVER '/DIR=C:\shipped-check' \
  '/LOG=C:\shipped-check.log' >/dev/null 2>&1 || status=$?
took=$(( $(date +%s) - start ))

failed=0
fail() { echo "FAILED: $*"; failed=1; }
[ "$status" -eq 0 ] || fail "the shipped Install.exe ended with exit code $status"
# Vidoze.exe comes from the release level's Install.cmd, which the 32-bit cmd.exe ran.
for path in Settings DTAfb backup Updater.exe.cfg Vidoze.exe ReleaseInfo; do
  [ -e "$target/$path" ] || fail "the installation left no $path in the target"
done
# An administrator's installation (Wine's always is) keeps its uninstaller in the 32-bit Program Files.
program_files="Program Files"
[ "$WINE_ARCH" = win64 ] && program_files="Program Files (x86)"
[ -e "$WINEPREFIX/drive_c/$program_files/Zuzavo/Uninstall.exe" ] ||
  fail "the installation left no Uninstall.exe in C:\\$program_files\\Zuzavo"
[ -e "$target/Uninstall.exe" ] && fail "a machine-wide installation left Uninstall.exe in the target"
[ -s "$log" ] || fail "the installation wrote no log"
# A 32-bit program's view of HKLM\Software is Wow6432Node on 64-bit Windows: where its Programs and
# Features entry lands shows that the file ran as the 32-bit program it is.
if [ "$WINE_ARCH" = win64 ]; then
  entries="$(env "${WINE_LOCALE[@]}" "$WINE_LOADER" reg query \
    'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null | tr -d '\r' || true)"
  if grep -qi 'Uninstall\\Zuzavo' <<<"$entries"; then
    echo "its Programs and Features entry is in the 32-bit registry view (Wow6432Node)"
  else
    fail "no Programs and Features entry in the 32-bit registry view (Wow6432Node)"
  fi
fi
if [ $failed -ne 0 ]; then
  [ -f "$log" ] && { echo "--- its log:"; cat "$log"; }
  exit 1
fi
echo "the shipped Install.exe ran $how: exit 0, target filled, in ${took} s (prefix ready in ${prefix_made} s)"
