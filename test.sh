#!/usr/bin/env bash
# Builds and passes the tests: installs what is missing, builds the default preset and the test
# binaries of the AddressSanitizer/UndefinedBehaviorSanitizer preset, runs every test on both,
# runs the threaded tests under ThreadSanitizer, checks the program's window under Xvfb and
# fuzzes every libFuzzer target briefly. Prints ctest's summary lines and the time of each phase
# at the end.
set -euo pipefail
cd "$(dirname "$0")"

export CCACHE_DIR="${CCACHE_DIR:-$PWD/build/.ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"
summary="build/test-summary.txt"
timing="build/test-timing.txt"
mkdir -p build
: > "$summary"
: > "$timing"

# The tests make and remove thousands of scratch station folders, and the fuzzers rewrite one
# file per input: on a RAM file system none of that waits for the disk's journal. The folders
# go there when it is writable and has room; the disk's temporary folder otherwise.
scratch_parent=/dev/shm
if [ -d "$scratch_parent" ] && [ -w "$scratch_parent" ] &&
  [ "$(df -Pk "$scratch_parent" | awk 'NR == 2 { print $4 }')" -gt $((2 * 1024 * 1024)) ]; then
  TMPDIR="$(mktemp -d "$scratch_parent/station-tests.XXXXXX")"
  export TMPDIR
  trap 'rm -rf "$TMPDIR"' EXIT
fi

# time_line <phase> <seconds> [note]: one line of the timing summary.
time_line() {
  printf '[time] %-22s %3d min %02d s%s\n' "$1" $(($2 / 60)) $(($2 % 60)) "${3:-}"
}

# timed <phase> <command...>: runs the command and notes how long the phase took.
timed() {
  local phase="$1"
  shift
  local start=$SECONDS status=0
  "$@" || status=$?
  time_line "$phase" $((SECONDS - start)) "$([ "$status" -eq 0 ] || echo '  (failed)')" >> "$timing"
  return "$status"
}

build_preset() {
  local preset="$1"
  shift
  echo "== configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build --preset "$preset" -j "$jobs" --target "$@"
  else
    cmake --build --preset "$preset" -j "$jobs"
  fi
}

test_preset() {
  local preset="$1"
  echo "== test: $preset"
  local log="build/ctest-$preset.log"
  local status=0
  ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log" || status=$?
  {
    echo "[$preset]"
    grep -E "tests passed|tests failed|Total Test time|The following tests FAILED|^\s+[0-9]+ - " "$log" || true
  } >> "$summary"
  return "$status"
}

# The README's run command on the default build: the program opens its window on a fresh
# copy of the template station under a virtual X display.
smoke_window() {
  local station
  station="$(mktemp -d)"
  cp -r station/. "$station/"
  if [ -d build/default/station ]; then cp -r build/default/station/. "$station/"; fi
  local status=0
  tools/smoke-window.sh build/default/src/tv3160_station "$station" 60 || status=$?
  rm -rf "$station"
  if [ "$status" -eq 0 ]; then
    echo "[window] the program opened its window under Xvfb" >> "$summary"
  else
    echo "[window] FAILED: the program did not open its window" >> "$summary"
  fi
  return "$status"
}

# One libFuzzer target (build/fuzz/<name>_fuzzer, seeds in fuzz/corpus/<name>/) for a short
# while; its summary line goes to build/fuzz/<name>.result.
fuzz_one() {
  local fuzzer="$1" name
  name="$(basename "$fuzzer" _fuzzer)"
  mkdir -p "build/fuzz/corpus/$name" "fuzz/corpus/$name"
  if "$fuzzer" -runs=20000 -max_total_time=120 "build/fuzz/corpus/$name" "fuzz/corpus/$name" \
    > "build/fuzz/$name.log" 2>&1; then
    echo "[fuzz $name] $(grep -E '^Done|^#[0-9]+.*DONE' "build/fuzz/$name.log" | tail -n 1)" > "build/fuzz/$name.result"
  else
    echo "[fuzz $name] FAILED: see build/fuzz/$name.log" > "build/fuzz/$name.result"
    tail -n 40 "build/fuzz/$name.log"
    return 1
  fi
}

# Every target (clang, AddressSanitizer and UBSan), as many at once as there are cores.
fuzz_all() {
  echo "== fuzz: every target"
  cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
  cmake --build build/fuzz -j "$jobs"
  rm -f build/fuzz/*.result
  local status=0 fuzzer running=0
  for fuzzer in build/fuzz/*_fuzzer; do
    [ "$running" -lt "$jobs" ] || { wait -n || status=1; running=$((running - 1)); }
    fuzz_one "$fuzzer" &
    running=$((running + 1))
  done
  for ((; running > 0; running--)); do wait -n || status=1; done
  cat build/fuzz/*.result >> "$summary"
  return "$status"
}

# Under ThreadSanitizer only the threaded tests run (suites whose name ends in "Threads"), so
# only the test binaries that hold such suites are built.
mapfile -t tsan_targets < <(grep -rlE '^(TEST|TEST_F|TEST_P)\([A-Za-z0-9_]*Threads,' tests \
  | sed -E 's#^tests/([^/]+)/.*#\1_tests#' | sort -u)

overall=0
timed "packages" ./scripts/packages.sh
timed "default: build" build_preset default || overall=1
timed "default: tests" test_preset default || overall=1
timed "window" smoke_window || overall=1
# Under AddressSanitizer only the tests run: the test binaries are built, not the program.
timed "asan: build" build_preset asan test_binaries || overall=1
timed "asan: tests" test_preset asan || overall=1
if [ ${#tsan_targets[@]} -gt 0 ]; then
  timed "tsan: build" build_preset tsan "${tsan_targets[@]}" || overall=1
  timed "tsan: tests" test_preset tsan || overall=1
fi
timed "fuzz" fuzz_all || overall=1

echo
echo "== ctest summary"
cat "$summary"
echo
echo "== time of each phase ($jobs cores)"
cat "$timing"
time_line "all" "$SECONDS"
exit "$overall"
