#!/usr/bin/env bash
# Fails when a Windows executable imports a DLL that Windows may take from the program's folder, or a
# function Vista does not export. Newer calls must be looked up at run time (GetProcAddress) instead.
set -euo pipefail
exe="$1"
objdump=i686-w64-mingw32-objdump
case "$(file -b "$exe")" in *x86-64*) objdump=x86_64-w64-mingw32-objdump ;; esac

# Only DLLs that Windows takes from its system folder whatever lies beside the program: its known DLLs
# on every version from Vista to 10, and the common controls, which the manifest binds to the system's
# side-by-side copy. Any other DLL imported statically would be looked for in the program's folder
# first (a DLL planted in a download folder would run before the program's first line).
allowed_dlls='^(advapi32|comdlg32|gdi32|imagehlp|imm32|kernel32|msctf|msvcrt|normaliz|nsi|ole32|oleaut32|rpcrt4|setupapi|shell32|shlwapi|user32|wldap32|ws2_32|comctl32)\.dll$'
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
    echo "imports a DLL that Windows may load from the program's folder: $dll"
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
