#!/usr/bin/env bash
# Builds and passes the tests: installs what is missing, builds the default and the
# AddressSanitizer/UndefinedBehaviorSanitizer presets, runs every test on both, then runs the
# threaded tests under ThreadSanitizer. Prints ctest's summary lines at the end.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/packages.sh

export CCACHE_DIR="${CCACHE_DIR:-$PWD/build/.ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"
summary="build/test-summary.txt"
mkdir -p build
: > "$summary"

run_preset() {
  local preset="$1"
  shift
  echo "== configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build --preset "$preset" -j "$jobs" --target "$@"
  else
    cmake --build --preset "$preset" -j "$jobs"
  fi
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

overall=0
run_preset default || overall=1
smoke_window || overall=1
run_preset asan || overall=1
# Under ThreadSanitizer only the threaded tests run (suites whose name ends in "Threads"), so
# only the test binaries that hold such suites are built.
mapfile -t tsan_targets < <(grep -rlE '^(TEST|TEST_F|TEST_P)\([A-Za-z0-9_]*Threads,' tests \
  | sed -E 's#^tests/([^/]+)/.*#\1_tests#' | sort -u)
if [ ${#tsan_targets[@]} -gt 0 ]; then
  run_preset tsan "${tsan_targets[@]}" || overall=1
fi

# Every parser's libFuzzer target (build/fuzz/<name>_fuzzer, seeds in fuzz/corpus/<name>/)
# for a short while each (clang, AddressSanitizer and UBSan).
fuzz_briefly() {
  echo "== fuzz: the station's parsers"
  cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
  cmake --build build/fuzz -j "$jobs"
  local status=0
  local fuzzer name
  for fuzzer in build/fuzz/*_fuzzer; do
    name="$(basename "$fuzzer" _fuzzer)"
    mkdir -p "build/fuzz/corpus/$name" "fuzz/corpus/$name"
    if "$fuzzer" -runs=20000 -max_total_time=120 "build/fuzz/corpus/$name" "fuzz/corpus/$name" \
      > "build/fuzz/$name.log" 2>&1; then
      echo "[fuzz $name] $(grep -E '^Done|^#[0-9]+.*DONE' "build/fuzz/$name.log" | tail -n 1)" >> "$summary"
    else
      status=1
      echo "[fuzz $name] FAILED: see build/fuzz/$name.log" >> "$summary"
      tail -n 40 "build/fuzz/$name.log"
    fi
  done
  return "$status"
}
fuzz_briefly || overall=1

echo
echo "== ctest summary"
cat "$summary"
exit "$overall"
