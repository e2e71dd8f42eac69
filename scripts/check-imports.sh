#!/usr/bin/env bash
# Fails when a Windows executable imports a DLL outside the set every Windows from Vista on has, or a
# function Vista does not export. Newer calls must be looked up at run time (GetProcAddress) instead.
set -euo pipefail
exe="$1"
objdump=i686-w64-mingw32-objdump

allowed_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|shlwapi|ole32|oleaut32|advapi32|msvcrt|version|uxtheme|msimg32|winmm|ws2_32|riched20|msftedit|setupapi|userenv|crypt32|rpcrt4|imm32)\.dll$'
# Functions the program might be tempted to import that Vista lacks.
denied_functions=(
  SetProcessDpiAwarenessContext SetThreadDpiAwarenessContext GetThreadDpiAwarenessContext
  GetDpiForWindow GetDpiForSystem GetSystemMetricsForDpi AdjustWindowRectExForDpi
  SystemParametersInfoForDpi EnableNonClientDpiScaling GetDpiForMonitor SetProcessDpiAwareness
  SetDefaultDllDirectories AddDllDirectory RemoveDllDirectory
  GetSystemTimePreciseAsFileTime CreateFile2 SetThreadDescription GetCurrentProcessorNumberEx
  GetLogicalProcessorInformationEx SetThreadErrorMode InitializeSynchronizationBarrier WaitOnAddress
  WakeByAddressSingle PathCchCombine PathCchAppend ChangeWindowMessageFilterEx
)

dump="$($objdump -p "$exe")"
file_type="$(file -b "$exe")"
status=0
case "$file_type" in
  *"PE32 executable (GUI) Intel 80386"*) ;;
  *) echo "not a 32-bit GUI executable: $file_type"; status=1 ;;
esac

dlls="$(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)"
[ -n "$dlls" ] || { echo "no import table found in $exe"; exit 1; }
while read -r dll; do
  if ! [[ "$dll" =~ $allowed_dlls ]]; then
    echo "imports a DLL outside the system set: $dll"
    status=1
  fi
done <<<"$dlls"

# Import lines look like "<tab>48472<tab>  136  CloseHandle" below each "DLL Name:"; an empty line ends a DLL.
functions="$(printf '%s\n' "$dump" | awk '/DLL Name:/ {in_dll=1; next} /^[[:space:]]*$/ {in_dll=0}
                                          in_dll && NF==3 && $1 ~ /^[0-9a-f]+$/ {print $3}' | sort -u)"
for f in "${denied_functions[@]}"; do
  if grep -qx "$f" <<<"$functions"; then
    echo "imports $f, which Windows Vista does not have: look it up at run time"
    status=1
  fi
done

[ $status -eq 0 ] && echo "$(basename "$exe"): $(wc -l <<<"$dlls") system DLLs, $(wc -l <<<"$functions") functions, all present on Vista"
exit $status
