#!/usr/bin/env bash
# Longer fuzzing sessions with libFuzzer from Debian's clang, one target after the other (the machine has
# two cores; the test command only replays the committed corpora).
# Usage: fuzz.sh [SECONDS_PER_TARGET] [TARGET...]   targets: png fontname commandline installrecord checksumlist
# (default: all, 300 s)
# Everything goes to BUILD_DIR/fuzz/TARGET/: the program, new-corpus/ (inputs that found new code, kept
# between sessions), crashes/ (crash-*, leak-*, timeout-*, oom-* inputs). Exits non-zero when any target
# left a crash; move such a file into fuzz/corpus/TARGET/ once the fault is fixed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
seconds="${1:-300}"
shift || true
# shellcheck source=../fuzz/targets.sh
. "$root/fuzz/targets.sh"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

need=(clang libclang-rt-14-dev zlib1g-dev)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Room for a small image or font; a command line is short.
declare -A max_len=([png]=8192 [fontname]=4096 [commandline]=1024 [installrecord]=4096 [checksumlist]=4096)

status=0
for name in "${targets[@]}"; do
  [ -n "${sources[$name]+set}" ] || { echo "fuzz: unknown target $name" >&2; exit 2; }
  dir="$build/fuzz/$name"
  mkdir -p "$dir/new-corpus" "$dir/crashes"
  srcs=()
  for s in ${sources[$name]}; do srcs+=("$root/$s"); done
  include_flags=()
  for folder in ${includes[$name]}; do include_flags+=(-I"$root/$folder"); done
  clang++ -std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=all "${include_flags[@]}" "${srcs[@]}" ${libraries[$name]} -o "$dir/fuzz-$name"
  echo "fuzz: $name for $seconds s"
  # New inputs go to the first folder only; the committed corpus is read, never written.
  if ! (cd "$dir" && ASAN_OPTIONS="detect_leaks=1:${ASAN_OPTIONS:-}" ./"fuzz-$name" -max_total_time="$seconds" \
         -max_len="${max_len[$name]}" -timeout=10 -rss_limit_mb=2048 -dict="$root/fuzz/$name.dict" \
         -artifact_prefix="$dir/crashes/" -print_final_stats=1 \
         "$dir/new-corpus" "$root/fuzz/corpus/$name" >"$dir/fuzz.log" 2>&1); then
    status=1
  fi
  tail -n 12 "$dir/fuzz.log"
done
found=$(find "$build/fuzz" -path '*/crashes/*' -type f | sort)
if [ -n "$found" ]; then
  echo "fuzz: inputs that failed (fix the fault, then move them into fuzz/corpus/<target>/):"
  echo "$found"
  status=1
fi
exit "$status"
