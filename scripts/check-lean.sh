#!/usr/bin/env bash
# Fails when a Windows executable carries debug sections or a symbol table: the shipped program is
# linked stripped, and a debug section left in it would only mean a larger download.
# With --switches, fails instead when it names any of the test builds' environment switches
# (INSTALL_TEST_...), as ASCII or UTF-16 text: the shipped program must not answer them.
set -euo pipefail
if [ "${1:-}" = --switches ]; then
  exe="$2"
  names="$( (strings -a -n 8 "$exe"; strings -a -n 8 -e l "$exe") | grep -o 'INSTALL_TEST_[A-Z_]*' | sort -u || true)"
  if [ -n "$names" ]; then
    echo "carries test switches: $(tr '\n' ' ' <<<"$names")"
    exit 1
  fi
  echo "$(basename "$exe"): names no test switch"
  exit 0
fi
exe="$1"
objdump=i686-w64-mingw32-objdump
case "$(file -b "$exe")" in *x86-64*) objdump=x86_64-w64-mingw32-objdump ;; esac

headers="$($objdump -h "$exe")"
# Section lines look like "  3 .debug_info   0003582a  00000000 ...".
sections="$(awk '$1 ~ /^[0-9]+$/ && NF >= 7 {print $2}' <<<"$headers")"
[ -n "$sections" ] || { echo "no sections found in $exe"; exit 1; }
status=0
debug="$(grep -E '^\.z?debug' <<<"$sections" || true)"
if [ -n "$debug" ]; then
  echo "carries debug sections: $(tr '\n' ' ' <<<"$debug")"
  status=1
fi
# Symbol lines look like "[  0](sec -2)(fl 0x00)(ty 0)(scl 103) (nx 1) 0x0000002f crtexe.c".
symbols="$($objdump -t "$exe" | grep -c '^\[' || true)"
if [ "$symbols" -ne 0 ]; then
  echo "carries a symbol table of $symbols entries"
  status=1
fi
[ $status -eq 0 ] && echo "$(basename "$exe"): $(wc -l <<<"$sections") sections ($(tr '\n' ' ' <<<"$sections")), no debug sections, no symbols, $(stat -c %s "$exe") bytes"
exit $status
