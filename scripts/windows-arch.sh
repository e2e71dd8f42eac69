#!/usr/bin/env bash
# Prints the Windows architecture the tests are built for: i686, as shipped, where this machine runs
# 32-bit Wine; x86_64 where its kernel refuses 32-bit x86 code ("Exec format error", as some virtual
# machines do). The shipped Install.exe is 32-bit either way.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi
