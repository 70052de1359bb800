#!/usr/bin/env bash
# Installs the Debian packages the station needs that are missing. Needs root for apt-get;
# without root it only reports what is missing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ ccache pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev xvfb xauth x11-utils
  libssl-dev libgmp-dev unixodbc-dev
  # The SQLite ODBC driver: the spreadsheet writer's integration test stores its sheets through it.
  libsqliteodbc
  clang-14 libclang-rt-14-dev
  # The linker of the builds (CMakeLists.txt falls back to the default one without it).
  lld
  # xdg-open: the pages' "Open File" hands a file to the desktop's program for it.
  xdg-utils
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages (run as root to install them): ${missing[*]}" >&2
  exit 0
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
