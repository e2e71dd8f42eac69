#!/usr/bin/env bash
# The installation engine never touches a window: no file below the folder given may include a header
# of the window toolkit, of the suite's windows or of the main window.
set -euo pipefail
folder="$1"
window_headers='Toolkit|Forms|Dialogs|Controls|StdCtrls|ExtCtrls|Graphics|Bitmap32|PngDecoder|MessageForm|WaitRun|Main|MainControlIds|Background'
found="$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]([^\">]*/)?(${window_headers})\.h[\">]" "$folder" || true)"
if [ -n "$found" ]; then
  echo "window headers included by the engine:"
  echo "$found"
  exit 1
fi
echo "the engine includes no window header"
