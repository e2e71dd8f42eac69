#!/usr/bin/env bash
# Makes a delay-import library for a system DLL from MinGW's import library of it: a program linked
# against it loads the DLL at its first call instead of when it starts.
# Usage: make-delay-import.sh TOOL_PREFIX IMPORT_LIBRARY DLL_NAME OUTPUT
set -euo pipefail
prefix="$1" import_lib="$2" dll="$3" out="$4"
def="$out.def"
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  # "__imp__Name@8" (32-bit, stdcall) or "__imp_Name" (64-bit): the names the import library offers.
  "$prefix-nm" "$import_lib" | sed -n 's/^[0-9a-f]* I __imp_//p' |
    if [ "$prefix" = i686-w64-mingw32 ]; then sed -n 's/^_//p'; else cat; fi | sort -u
} >"$def"
# -k: the DLL exports the names without the stdcall "@N" suffix.
"$prefix-dlltool" -k --def "$def" --dllname "$dll" --output-delaylib "$out"
