#!/usr/bin/env bash
# Plants DLLs under the names of system DLLs beside a copy of a program, with the load order Windows
# uses for a DLL that is not one of its known DLLs (the program's folder first: Wine's "n,b"), runs the
# program and fails when any planted DLL was loaded, by Wine's +loaddll trace and by the marker the
# planted DLL leaves. Modes: "wizard" starts the setup program and stops it once its first page is up;
# "unattended" runs an installation with /VERYSILENT into a fresh folder; "run" runs any program to its end.
# Usage: check-planted-dlls.sh BUILD_DIR MODE PROGRAM PLANTED_DLL
set -euo pipefail
build="$1" mode="$2" program="$3" planted="$4"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# DLLs Windows looks for in the program's folder first: none of them is one of its known DLLs on every
# version from Vista to 10 (those, like shell32, ole32, imm32 or sechost, always come from the system
# folder). version.dll is left out: Wine's own user32 imports it (Windows' does not), so under Wine a
# planted one is taken before any program runs; that the program imports it nowhere is the import check's.
names=(riched20 msftedit usp10 uxtheme dwmapi msimg32 msxml3 msxml6 syssetup comctl32 shcore combase
       cryptbase propsys profapi userenv actxprxy windowscodecs winmm wintrust dbghelp apphelp bcrypt)

work="$build/planted/$mode"
rm -rf "$work"
mkdir -p "$work"
if [ "$mode" = run ]; then
  folder="$work/program"
  mkdir -p "$folder"
  cp "$program" "$folder/"
else
  folder="$work/dist"
  cp -r "$(dirname "$program")" "$folder"
fi
for name in "${names[@]}"; do cp "$planted" "$folder/$name.dll"; done

export WINE_ROOT="$build/wine"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
wine_prepare_prefix null
wine_start_server 20
overrides="$(IFS=,; echo "${names[*]}")=n,b;winedbg.exe=d"
trace="$work/loaddll.txt"
exe="$(basename "$program")"
cd "$folder"
export WINEDEBUG=+loaddll WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$overrides"
case "$mode" in
  wizard)
    (exec env "${WINE_LOCALE[@]}" "$WINE_LOADER" "$exe" 2>"$trace") &
    pid=$!
    # The first page is up once the information pane's rich-text library is in; a little more for it
    # to be drawn, then the program is ended: nothing more happens without an operator.
    for _ in $(seq 300); do grep -qi 'riched20.dll' "$trace" 2>/dev/null && break; sleep 0.1; done
    sleep 2
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    grep -qi 'riched20.dll' "$trace" || { echo "the setup program showed no first page"; exit 1; }
    ;;
  unattended)
    status=0
    wine_run "$exe" /VERYSILENT /NODRIVER "/DIR=C:\\planted-dll-check" 2>"$trace" || status=$?
    [ "$status" -eq 0 ] || { echo "the unattended installation ended with exit code $status"; exit 1; }
    ;;
  run)
    # A planted DLL lacks what the program imports from it: the start may fail, which is no matter here.
    timeout 60 env "${WINE_LOCALE[@]}" "$WINE_LOADER" "$exe" 2>"$trace" || true
    ;;
esac

windows_folder="$(sed 's#/#\\\\#g' <<<"Z:$folder")"
loaded="$(grep -F "Loaded L\"$windows_folder\\\\" "$trace" | grep -ioE '[a-z0-9_]+\.dll"' | tr -d '"' | tr 'A-Z' 'a-z' | sort -u || true)"
markers="$(cd "$folder" && ls ./*.dll.loaded 2>/dev/null | sed 's#^\./##; s#\.loaded$##' || true)"
if [ -n "$loaded$markers" ]; then
  echo "loaded a planted DLL: $(echo $loaded $markers | tr ' ' '\n' | sort -u | tr '\n' ' ')"
  exit 1
fi
system="$(grep -c 'Loaded L"C:\\\\windows\\\\' "$trace" || true)"
echo "$exe ($mode): none of ${#names[@]} planted DLLs loaded; $system loads from the system folders"
