#!/usr/bin/env bash
# Builds the station and starts it: installs what is missing, builds the program of the default
# preset and the files the build makes for the station template (no tests, no benchmarks: those
# are test.sh's), lays out a working station folder from station/ (files that already exist
# there are kept) and starts the program in it, on the simulated tester with 24 drives.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/packages.sh

export CCACHE_DIR="${CCACHE_DIR:-$PWD/build/.ccache}"
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target station_program

station_dir="${STATION_DIR:-$PWD/station-run}"
mkdir -p "$station_dir"
cp -r -n station/. "$station_dir/"
# Firmware images made by the build join the template's.
if [ -d build/default/station ]; then
  cp -r -n build/default/station/. "$station_dir/"
fi

program="$PWD/build/default/src/tv3160_station"
cd "$station_dir"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the station on a virtual X display (Xvfb)."
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$program"
fi
exec "$program"
