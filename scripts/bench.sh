#!/usr/bin/env bash
# Benchmarks (not one of the tests), under the test Wine prefix. `bench.sh [startup | copy | installation |
# responsive]`, all by default; `copy` includes `installation`.
#
# startup: the size of the shipped Install.exe, and its start-up time to the first painted main window
# against a bare Win32 window program of ours (tests/bench/BareWindow.cpp), both started the same way by
# the launcher tests/bench/StartupBench.cpp, which times from CreateProcess to the main window shown
# with nothing left to paint. STARTUP_ROUNDS starts of each (15 by default), in a new order each round,
# after one unmeasured start each; the medians and their ratio count.
#
# copy: a distribution whose database file "DTAfb\R12.FDB" weighs 1 GiB,
# deployed by (a) the installation's database stage, (a') the same stage serving a window that another thread
# asks every 20 ms whether it answers, as the program runs it, against (b) Windows' own CopyFileW of the
# same file, (b') CopyFileW followed by a flush of the copy (the stage must have its copy on the disk
# before it renames it into place; CopyFileW leaves it in the cache) and (c) Linux's cp; (k) the
# distribution check's one read of the file with the system's SHA-256, serving a window like (a'), goes
# against (b) too (goal: at most 1); then
# CopyFileWithDate alone with several copy buffer sizes, to choose the product's.
# Every way runs BENCH_ROUNDS times (9 by default), in a new order each round, under the same Wine prefix.
# The best time counts (a shared machine's other work only ever slows a run down); the median and the
# processor time (user + kernel) are shown beside it. The memory figure is the copying process's highest
# peak working set (GetProcessMemoryInfo) before and after the copy. Needs about 3 GiB free beside the
# build; the files are removed at the end.
#
# installation: the whole unattended installation, the real Install.exe /VERYSILENT, on a distribution whose
# database file weighs 1 MiB and on one where it weighs 512 MiB, beside the distribution check's read, CopyFileW
# and CopyFileW followed by a flush of the same two database files; INSTALL_ROUNDS rounds (BENCH_ROUNDS by
# default). What the 511 MiB add to each way's best time gives the installation's cost per byte against
# CopyFileW and a flush (goal: at most 1.0) and against bare CopyFileW.
#
# responsive: the real Install.exe /SILENT on a distribution whose database file weighs 512 MiB and whose
# driver installer takes DRIVER_DELAY_MS (3000 by default), watched by tests/bench/ResponsivenessBench.cpp,
# which asks the program's window every 20 ms whether it answers (WM_NULL, 100 ms to answer) until the
# program ends. RESPONSIVE_ROUNDS runs (3 by default); each prints its longest silence and the steps after
# which the longest ones came. Then as many runs from a slow medium: every 256 KiB copy piece takes
# SLOW_MEDIUM_MS (20 by default) longer, every listing entry and attribute read a tenth of that (the
# program's slow-medium seam). Needs about 1.5 GiB free beside the build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
rounds="${BENCH_ROUNDS:-9}"
startup_rounds="${STARTUP_ROUNDS:-15}"
buffers=(64 256 1024 4096)
responsive_rounds="${RESPONSIVE_ROUNDS:-3}"
driver_delay="${DRIVER_DELAY_MS:-3000}"
slow_medium_ms="${SLOW_MEDIUM_MS:-20}"
what="${1:-all}"
case "$what" in
  all | startup | copy | installation | responsive) ;;
  *) echo "usage: bench.sh [startup | copy | installation | responsive]" >&2; exit 2 ;;
esac

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/configure-build.sh" "$build" -DINSTALL_BUILD_TESTS=ON
targets=(distribution test_seams_distribution startup_bench bare_window copy_bench responsiveness_bench)
for kib in "${buffers[@]}"; do targets+=("copy_bench_${kib}k"); done
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"
bench_exe="$build/tests/bench"

median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
best() { tr ' ' '\n' <<<"$1" | grep . | sort -n | head -1; }
mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }

export WINE_ROOT="$build/wine"
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
wine_prepare_prefix null
wine_start_server 60
trap wine_stop_all EXIT

# Start-up: the launcher starts a program and prints "ms=<time to its first painted window>".
if [ "$what" = all ] || [ "$what" = startup ]; then
  install_exe="$build/dist/Install.exe"
  declare -A starts
  start_once() {
    local label="$1" class="$2" exe="$3" out
    out="$(wine_run "$bench_exe/startup_bench.exe" "$class" "$exe" 2>&1 | tr -d '\r')" || {
      echo "$out" >&2
      echo "bench: $label showed no painted window" >&2
      exit 1
    }
    sed -n 's/^ms=//p' <<<"$out"
  }
  # Install.exe runs from the distribution it lies in, as the operator starts it.
  start_way() {
    case "$1" in
      Install.exe) start_once "$1" TFMain "$install_exe" ;;
      bare) start_once "$1" BareWindow "$bench_exe/bare_window.exe" ;;
    esac
  }
  range() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk 'NR == 1 {lo = $1} {hi = $1} END {print lo " - " hi}'; }
  # Measures both programs, in a shuffled order each round, and prints the medians and their ratio.
  # $1: a heading.
  measure_startups() {
    starts=()
    # The first start of each fills Wine's caches and is not counted.
    start_way Install.exe >/dev/null
    start_way bare >/dev/null
    for round in $(seq 1 "$startup_rounds"); do
      mapfile -t order < <(printf '%s\n' Install.exe bare | shuf)
      for way in "${order[@]}"; do starts[$way]="${starts[$way]:-} $(start_way "$way")"; done
    done
    local a b
    a="$(median "${starts[Install.exe]}")"
    b="$(median "${starts[bare]}")"
    echo "$1, median of $startup_rounds starts (range):"
    printf '  %-12s %8s ms   (%s ms)\n' Install.exe "$a" "$(range "${starts[Install.exe]}")"
    printf '  %-12s %8s ms   (%s ms)\n' "bare window" "$b" "$(range "${starts[bare]}")"
    awk -v a="$a" -v b="$b" 'BEGIN {printf "  Install.exe / bare window = %.2f\n", a / b}'
  }
  # The shipped program is the 32-bit one; a 64-bit build (machines without 32-bit Wine) only runs here.
  shipped="$install_exe"
  [ -f "$build/shipped/dist/Install.exe" ] && shipped="$build/shipped/dist/Install.exe"
  size="$(stat -c %s "$shipped")"
  echo
  echo "Install.exe as shipped: $size bytes ($(awk -v b="$size" 'BEGIN {printf "%.1f", b / 1024}') KiB); bare window program: $(stat -c %s "$bench_exe/bare_window.exe") bytes"
  # Windows' desktop is always up when the operator starts a program; Wine's starts with the first
  # program that wants it and ends after the last, so a window of our own keeps it up meanwhile.
  wine_run "$bench_exe/bare_window.exe" >/dev/null 2>&1 &
  holder=$!
  sleep 3
  measure_startups "start-up to the first painted main window, Wine's desktop already up (as Windows' is)"
  wine_run taskkill /f /im bare_window.exe >/dev/null 2>&1 || true
  wait "$holder" 2>/dev/null || true
  # Until the desktop has gone, a start would still find it.
  sleep 5
  measure_startups "the same, each start also starting Wine's desktop (the earlier way of measuring)"
  [ "$what" = startup ] && exit 0
fi

mkdir -p "$build/bench"
need_gib=3
case "$what" in responsive | installation) need_gib=2 ;; esac
free_kib="$(df -Pk "$build/bench" | awk 'NR == 2 {print $4}')"
if [ "$free_kib" -lt $((need_gib * 1024 * 1024)) ]; then
  echo "bench: need $need_gib GiB free in $build/bench, have $((free_kib / 1024)) MiB" >&2
  exit 1
fi

# Cyrillic names with blanks, as the clinics' folders have.
work="$build/bench/Проверка копирования"
dist="$work/Дистрибутив"
target="$work/Папка установки"
copy="$work/Копия R12.FDB"

cleanup() {
  [ ! -d "$work/prefix" ] || WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
  wine_stop_all
}
trap cleanup EXIT

windows_path() { local p="${1//\//\\}"; printf 'Z:%s' "$p"; }

# The sample distribution (the one the build assembled: it holds the stand-in programs) with a database
# file of $1 MiB that is not zeros: one random MiB, each copy of it stamped with its number.
make_distribution() {
  local mib="$1"
  rm -rf "$work"
  mkdir -p "$work"
  cp -r "$build/dist/." "$dist"
  mkdir -p "$dist/DTAfb"
  head -c $((1024 * 1024)) /dev/urandom >"$work/block"
  for i in $(seq 0 $((mib - 1))); do
    printf '%08d' "$i"
    tail -c +9 "$work/block"
  done >"$dist/DTAfb/R12.FDB"
  rm "$work/block"
  database="$dist/DTAfb/R12.FDB"
  [ "$(stat -c %s "$database")" -eq $((mib * 1024 * 1024)) ] || { echo "bench: database is not $mib MiB" >&2; exit 1; }
  cat "$database" >/dev/null
  # Listed as a vendor lists it, so the distribution check passes.
  bash "$root/scripts/write-checksums.sh" "$dist"
}

declare -A times cpus peaks silences
# Runs one way in its own process; records its time and memory. $1: label, $2: program, the rest its arguments.
run_driver() {
  local label="$1" exe="$2" way="$3" from="$4" to="$5" out
  out="$(wine_run "$exe" "$way" "$(windows_path "$from")" "$(windows_path "$to")" | tr -d '\r')" || {
    echo "$out" >&2
    echo "bench: $label failed" >&2
    exit 1
  }
  local result
  result="$(grep -E "^$way seconds=" <<<"$out")"
  local seconds cpu before after
  seconds="$(sed -E 's/.*seconds=([0-9.]+).*/\1/' <<<"$result")"
  cpu="$(sed -E 's/.*cpu=([0-9.]+).*/\1/' <<<"$result")"
  before="$(sed -E 's/.*peak_before_kib=([0-9]+).*/\1/' <<<"$result")"
  after="$(sed -E 's/.*peak_after_kib=([0-9]+).*/\1/' <<<"$result")"
  times[$label]="${times[$label]:-} $seconds"
  local silence
  silence="$(sed -nE 's/.*silence_ms=([0-9]+).*/\1/p' <<<"$result")"
  [ -z "$silence" ] || silences[$label]="${silences[$label]:-} $silence"
  cpus[$label]="${cpus[$label]:-} $cpu"
  # The highest peak of all the runs counts.
  local previous
  read -r _ previous <<<"${peaks[$label]:-0 0}"
  [ "$after" -le "$previous" ] || peaks[$label]="$before $after"
}
# The copy's previous writes go to disk first, so no run pays for the one before.
settle() {
  rm -rf "$target" "$copy"
  sync
}
check_copy() {
  cmp -s "$database" "$1" || { echo "bench: $2 made a copy that differs" >&2; exit 1; }
}

# Responsiveness: the longest stretch in which the window did not answer during an installation.
if [ "$what" = all ] || [ "$what" = responsive ]; then
  make_distribution 512
  # An installation puts fonts, their registry values and a desktop link into its prefix: these run in a
  # copy of the tests' prefix, which stays as it was.
  wineserver -k >/dev/null 2>&1 || true
  cp -a "$WINEPREFIX" "$work/prefix"
  tests_prefix="$WINEPREFIX"
  export WINEPREFIX="$work/prefix"
  wine_start_server 60
  # Prints each round and sets longest_all to the worst; $1 names the medium in the lines.
  responsive_runs() {
    local medium="$1" round out longest
    longest_all=0
    for round in $(seq 1 "$responsive_rounds"); do
      rm -rf "$target"
      sync
      out="$(wine_run "$bench_exe/responsiveness_bench.exe" "$(windows_path "$dist/Install.exe")" \
               "$(windows_path "$target")" "$driver_delay" 2>&1 | tr -d '\r')" || {
        echo "$out" >&2
        echo "bench: the installation failed" >&2
        exit 1
      }
      cmp -s "$database" "$target/DTAfb/R12.FDB" || { echo "bench: the installed database differs" >&2; exit 1; }
      # Wine's own remarks on stderr are left out.
      echo "$medium, round $round of $responsive_rounds: $(grep '^responsive ' <<<"$out" | sed 's/^responsive //')"
      grep -E '^  [0-9]+ ms after: ' <<<"$out" || true
      longest="$(sed -n 's/.*longest_ms=\([0-9]*\).*/\1/p' <<<"$out")"
      [ "$longest" -le "$longest_all" ] || longest_all="$longest"
    done
  }
  responsive_runs "disk"
  echo
  echo "longest stretch without an answer during an installation (512 MiB database, driver installer of" \
       "$((driver_delay / 1000)) s), worst of $responsive_rounds runs: $longest_all ms   (goal: at most 250 ms)"
  # The same from a slow medium (a CD, a share): the program's slow-medium seam makes every copy piece
  # and, a tenth of that, every listing entry and attribute read of the walks outside copies take longer.
  echo
  # The shipped program has no seams: these runs start the test seams' build of it, listed anew.
  cp "$build/dist-test-seams/Install.exe" "$dist/Install.exe"
  bash "$root/scripts/write-checksums.sh" "$dist"
  export INSTALL_TEST_SLOW_COPY_MS="$slow_medium_ms"
  responsive_runs "slow medium"
  unset INSTALL_TEST_SLOW_COPY_MS
  echo
  echo "longest stretch without an answer from a slow medium ($slow_medium_ms ms more per 256 KiB piece," \
       "$((slow_medium_ms / 10)) ms per listing entry or attribute read), worst of $responsive_rounds runs:" \
       "$longest_all ms   (goal: at most 250 ms)"
  wineserver -k >/dev/null 2>&1 || true
  export WINEPREFIX="$tests_prefix"
  [ "$what" = responsive ] && exit 0
  rm -rf "$target" "$work/prefix"
  wine_start_server 60
fi

# The whole unattended installation, per byte of its database: the real Install.exe /VERYSILENT on a
# distribution with a 1 MiB and with a 512 MiB database file, against CopyFileW followed by a flush of its
# copy and bare CopyFileW of the same two files. What the sizes add to each way's best time compares; the
# rest of the installation (the other files, the fonts, the registration) is the same in both and drops out.
if [ "$what" = all ] || [ "$what" = copy ] || [ "$what" = installation ]; then
  install_rounds="${INSTALL_ROUNDS:-$rounds}"
  sizes=(1 512)
  install_ways=(installation "pre-check" CopyFileW "CopyFileW+flush")
  for mib in "${sizes[@]}"; do
    make_distribution "$mib"
    # Fonts, registry values, a desktop link and an uninstall entry go into a copy of the tests' prefix.
    wineserver -k >/dev/null 2>&1 || true
    cp -a "$WINEPREFIX" "$work/prefix"
    tests_prefix="$WINEPREFIX"
    export WINEPREFIX="$work/prefix"
    wine_start_server 60
    for round in $(seq 1 "$install_rounds"); do
      echo "installation, $mib MiB database: round $round of $install_rounds"
      mapfile -t order < <(printf '%s\n' "${install_ways[@]}" | shuf)
      for way in "${order[@]}"; do
        settle
        case "$way" in
          installation)
            run_driver "installation $mib" "$bench_exe/copy_bench.exe" install "$dist/Install.exe" "$target"
            [ "$round" -gt 1 ] || check_copy "$target/DTAfb/R12.FDB" "the installation"
            ;;
          "pre-check") run_driver "pre-check $mib" "$bench_exe/copy_bench.exe" check "$database" - ;;
          CopyFileW) run_driver "CopyFileW $mib" "$bench_exe/copy_bench.exe" copyfile "$database" "$copy" ;;
          "CopyFileW+flush") run_driver "CopyFileW+flush $mib" "$bench_exe/copy_bench.exe" flushed "$database" "$copy" ;;
        esac
      done
    done
    settle
    wineserver -k >/dev/null 2>&1 || true
    export WINEPREFIX="$tests_prefix"
    rm -rf "$work/prefix"
    wine_start_server 60
  done
  echo
  printf '%-28s %7s %9s %9s %11s\n' "way" "best s" "median s" "best cpu" "median cpu"
  for way in "${install_ways[@]}"; do
    for mib in "${sizes[@]}"; do
      label="$way $mib"
      best_cpu="$(best "${cpus[$label]}")"
      median_cpu="$(median "${cpus[$label]}")"
      # Wine's processor time of another process is far too low (0.1 s for a run that hashes 512 MiB): not shown.
      [ "$way" != installation ] || { best_cpu=-; median_cpu=-; }
      printf '%-28s %7s %9s %9s %11s\n' "$way, $mib MiB" "$(best "${times[$label]}")" "$(median "${times[$label]}")" \
        "$best_cpu" "$median_cpu"
    done
  done
  read -r _ after <<<"${peaks[installation 512]}"
  echo "peak working set of the installation (512 MiB database): $(mib "$after") MiB"
  grown() { awk -v big="$(best "${times[$1 512]}")" -v small="$(best "${times[$1 1]}")" 'BEGIN {printf "%.3f", big - small}'; }
  i="$(grown installation)"
  k="$(grown pre-check)"
  f="$(grown CopyFileW+flush)"
  b="$(grown CopyFileW)"
  echo
  echo "what 511 MiB more of database add (best times): installation +$i s, of which the check's read about" \
       "+$k s; CopyFileW and a flush +$f s; CopyFileW +$b s"
  awk -v i="$i" -v f="$f" -v b="$b" 'BEGIN {
    printf "installation per byte / CopyFileW and a flush = %.2f   (goal: at most 1.0)\n", i / f
    printf "installation per byte / CopyFileW             = %.2f\n", i / b
  }'
  [ "$what" = installation ] && exit 0
fi

make_distribution 1024

# One measurement of one way; the first round also checks that the copy is right.
run_way() {
  local way="$1" round="$2"
  settle
  case "$way" in
    stage)
      mkdir -p "$target"
      run_driver stage "$bench_exe/copy_bench.exe" stage "$dist/" "$target/"
      [ "$round" -gt 1 ] || check_copy "$target/DTAfb/R12.FDB" "the database stage"
      ;;
    "stage served")
      mkdir -p "$target"
      run_driver "stage served" "$bench_exe/copy_bench.exe" served "$dist/" "$target/"
      [ "$round" -gt 1 ] || check_copy "$target/DTAfb/R12.FDB" "the database stage serving a window"
      ;;
    "pre-check")
      run_driver "pre-check" "$bench_exe/copy_bench.exe" check "$database" -
      ;;
    CopyFileW)
      run_driver CopyFileW "$bench_exe/copy_bench.exe" copyfile "$database" "$copy"
      [ "$round" -gt 1 ] || check_copy "$copy" "CopyFileW"
      ;;
    "CopyFileW+flush")
      run_driver "CopyFileW+flush" "$bench_exe/copy_bench.exe" flushed "$database" "$copy"
      [ "$round" -gt 1 ] || check_copy "$copy" "CopyFileW and a flush"
      ;;
    cp)
      local measured real user sys
      measured="$({ TIMEFORMAT='%3R %3U %3S'; time cp "$database" "$copy"; } 2>&1)"
      read -r real user sys <<<"$measured"
      times[cp]="${times[cp]:-} $real"
      cpus[cp]="${cpus[cp]:-} $(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%.3f", u + s}')"
      ;;
    *)
      local kib="${way#dated }"
      kib="${kib% KiB}"
      run_driver "$way" "$bench_exe/copy_bench_${kib}k.exe" dated "$database" "$copy"
      [ "$round" -gt 1 ] || check_copy "$copy" "CopyFileWithDate (${kib} KiB)"
      ;;
  esac
}

ways=(stage "stage served" "pre-check" CopyFileW "CopyFileW+flush" cp)
for kib in "${buffers[@]}"; do ways+=("dated $kib KiB"); done
for round in $(seq 1 "$rounds"); do
  echo "round $round of $rounds"
  # A new order every round, so no way always follows the same one.
  mapfile -t order < <(printf '%s\n' "${ways[@]}" | shuf)
  for way in "${order[@]}"; do run_way "$way" "$round"; done
done
settle

echo
printf '%-15s %7s %9s %9s %11s  %s\n' "way" "best s" "median s" "best cpu" "median cpu" \
  "peak working set before -> after (MiB)"
for label in "${ways[@]}"; do
  memory="-"
  if [ -n "${peaks[$label]:-}" ]; then
    read -r before after <<<"${peaks[$label]}"
    memory="$(mib "$before") -> $(mib "$after")"
  fi
  printf '%-15s %7s %9s %9s %11s  %s\n' "$label" "$(best "${times[$label]}")" "$(median "${times[$label]}")" \
    "$(best "${cpus[$label]}")" "$(median "${cpus[$label]}")" "$memory"
done
a="$(best "${times[stage]}")"
s="$(best "${times[stage served]}")"
b="$(best "${times[CopyFileW]}")"
f="$(best "${times[CopyFileW+flush]}")"
c="$(best "${times[cp]}")"
k="$(best "${times[pre-check]}")"
ck="$(median "${cpus[pre-check]}")"
echo
ca="$(median "${cpus[stage]}")"
cs="$(median "${cpus[stage served]}")"
cb="$(median "${cpus[CopyFileW]}")"
cf="$(median "${cpus[CopyFileW+flush]}")"
cc="$(median "${cpus[cp]}")"
awk -v a="$a" -v s="$s" -v b="$b" -v f="$f" -v c="$c" -v ca="$ca" -v cs="$cs" -v cb="$cb" -v cf="$cf" -v cc="$cc" \
    -v k="$k" -v ck="$ck" 'BEGIN {
  printf "k/b  (distribution check, SHA-256 read / CopyFileW) = %.2f by best time, %.2f by processor time   (goal: at most 1)\n", k / b, ck / cb
  printf "a/b  (database stage / CopyFileW)                = %.2f by best time, %.2f by processor time   (goal: at most 1)\n", a / b, ca / cb
  printf "a\x27/b (database stage serving a window / CopyFileW) = %.2f by best time, %.2f by processor time   (goal: at most 1)\n", s / b, cs / cb
  printf "a/b\x27 (database stage / CopyFileW and a flush)   = %.2f by best time, %.2f by processor time\n", a / f, ca / cf
  printf "a/c  (database stage / cp)                       = %.2f by best time, %.2f by processor time\n", a / c, ca / cc
}'
worst_silence="$(tr ' ' '\n' <<<"${silences[stage served]}" | grep . | sort -n | tail -1)"
echo "longest silence of the served window while the stage copied 1 GiB: $worst_silence ms (goal: at most 250 ms)"
worst_check="$(tr ' ' '\n' <<<"${silences[pre-check]}" | grep . | sort -n | tail -1)"
echo "longest silence of the window while the check read 1 GiB: $worst_check ms (goal: at most 250 ms)"
read -r _ after <<<"${peaks[stage]}"
echo "peak working set of the database stage: $(mib "$after") MiB (goal: well under 32 MiB)"
