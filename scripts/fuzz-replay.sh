#!/usr/bin/env bash
# Builds the fuzz targets natively with g++, AddressSanitizer and UndefinedBehaviorSanitizer (no
# libFuzzer: fuzz/Replay.cpp drives them) and replays the committed corpora through them. Any sanitizer
# report, broken invariant or unreadable input fails the run.
# Usage: fuzz-replay.sh [BUILD_DIR]   (programs go to BUILD_DIR/fuzz-replay)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-${BUILD_DIR:-$root/build}}"
out="$build/fuzz-replay"
mkdir -p "$out"

if ! command -v g++ >/dev/null || ! echo '#include <zlib.h>' | g++ -E -x c++ - >/dev/null 2>&1; then
  echo "fuzz-replay: needs the native g++ and zlib1g-dev (scripts/install-deps.sh installs them)" >&2
  exit 1
fi

flags=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all
       -Wall -Wextra -Wpedantic -Wshadow -Wno-missing-field-initializers)

# shellcheck source=../fuzz/targets.sh
. "$root/fuzz/targets.sh"
targets=("${all_targets[@]}")

# Rebuilt when the output is missing or older than any of the files named after it.
stale() {
  local output="$1" file
  shift
  [ -e "$output" ] || return 0
  for file in "$@"; do [ "$file" -nt "$output" ] && return 0; done
  return 1
}

object_of() { echo "$out/obj/${1//\//_}.o"; }

# Every source once, all at the same time, then the three links.
compile() {
  local src="$1" object folder headers=() include_flags=()
  object="$(object_of "$src")"
  for folder in $2; do
    headers+=("$root/$folder"/*.h)
    include_flags+=(-I"$root/$folder")
  done
  stale "$object" "$root/$src" "${headers[@]}" "${BASH_SOURCE[0]}" || return 0
  g++ "${flags[@]}" "${include_flags[@]}" -c "$root/$src" -o "$object.tmp" && mv "$object.tmp" "$object"
}

link() {
  local name="$1" exe="$out/replay-$1" objects=() src
  for src in fuzz/Replay.cpp ${sources[$name]}; do objects+=("$(object_of "$src")"); done
  stale "$exe" "${objects[@]}" || return 0
  g++ "${flags[@]}" "${objects[@]}" ${libraries[$name]} -o "$exe.tmp" && mv "$exe.tmp" "$exe"
}

run_all() {
  local pid failed=0 pids=()
  while [ $# -gt 0 ]; do
    "$1" "$2" "${3:-}" &
    pids+=($!)
    shift 3
  done
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  return "$failed"
}

start=$SECONDS
mkdir -p "$out/obj"
jobs=(compile fuzz/Replay.cpp fuzz)
# A source two targets share is compiled once: two compiles of it at once would write one object.
declare -A queued=()
for name in "${targets[@]}"; do
  for src in ${sources[$name]}; do
    [ -n "${queued[$src]+set}" ] && continue
    queued[$src]=1
    jobs+=(compile "$src" "${includes[$name]}")
  done
done
links=()
for name in "${targets[@]}"; do links+=(link "$name" ""); done
if ! run_all "${jobs[@]}" || ! run_all "${links[@]}"; then
  echo "fuzz-replay: build failed" >&2
  exit 1
fi
echo "fuzz-replay: built in $((SECONDS - start)) s"

failed=0
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
for name in "${targets[@]}"; do
  corpus="$root/fuzz/corpus/$name"
  log="$out/replay-$name.log"
  if ! "$out/replay-$name" "$corpus" >"$log" 2>&1; then
    # The last name listed before the report is the input that failed.
    tail -n 60 "$log" >&2
    echo "fuzz-replay: $name FAILED (full output: $log)" >&2
    failed=1
    continue
  fi
  echo "fuzz-replay: $name: $(tail -n 1 "$log")"
done
echo "fuzz-replay: done in $((SECONDS - start)) s"
exit "$failed"
