#!/usr/bin/env bash
# Fails when a Windows executable imports a DLL that Windows may take from the program's folder, a
# function Vista does not export, or carries import names and slots that no descriptor reaches (see
# check-imports.py). Usage: check-imports.sh [--any-machine] PROGRAM.exe
set -euo pipefail
exec python3 "$(dirname "${BASH_SOURCE[0]}")/check-imports.py" "$@"
