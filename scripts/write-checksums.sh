#!/usr/bin/env bash
# Writes a distribution's checksum list, SHA256SUMS in its root, as a vendor makes it with sha256sum:
# every file but the list, paths relative to the root with "/" between folders.
# Usage: write-checksums.sh DISTRIBUTION_FOLDER
set -euo pipefail
cd "$1"
find . -type f ! -name SHA256SUMS ! -name SHA256SUMS.tmp -printf '%P\0' | LC_ALL=C sort -z |
  xargs -0 -r sha256sum -- >SHA256SUMS.tmp
mv SHA256SUMS.tmp SHA256SUMS
