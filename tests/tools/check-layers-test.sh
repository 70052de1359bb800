#!/usr/bin/env bash
# tools/check-layers.sh on a small tree of its own: an include of a higher layer is refused in
# quotes and in angle brackets alike, while system headers and the layers below pass.
#
#   tests/tools/check-layers-test.sh [source tree]   (default: the tree this script is in)
set -euo pipefail

root="${1:-$(cd "$(dirname "$0")/../.." && pwd)}"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/docs" "$tree/src/platform" "$tree/src/run"
cp "$root/docs/ARCHITECTURE.md" "$tree/docs/"
touch "$tree/src/run/SlotTestTask.h" "$tree/src/platform/Files.h"

# include line | the start of what the check says about it ("" when it passes)
cases=(
  '#include "run/SlotTestTask.h"|src/platform/Files.cpp:1: platform may not include run ("run/SlotTestTask.h")'
  '#include <run/SlotTestTask.h>|src/platform/Files.cpp:1: platform may not include run ("run/SlotTestTask.h")'
  '#include <QWidget>|src/platform/Files.cpp:1: platform may not include Qt (<QWidget>): only ui/qt and main.cpp do'
  '#include <platform/Files.h>|'
  '#include <sys/stat.h>|'
  '#include <string>|'
)

failed=0
for entry in "${cases[@]}"; do
  line="${entry%%|*}"
  expected="${entry#*|}"
  printf '%s\n' "$line" > "$tree/src/platform/Files.cpp"
  status=0
  output="$(bash "$root/tools/check-layers.sh" "$tree")" || status=$?
  if [ -n "$expected" ]; then
    if [ "$status" -ne 1 ] || ! grep -qF -- "$expected" <<< "$output"; then
      echo "FAILED: $line should be refused with: $expected"
      echo "got (exit $status): $output"
      failed=1
    fi
  elif [ "$status" -ne 0 ]; then
    echo "FAILED: $line should pass; got (exit $status): $output"
    failed=1
  fi
done
[ "$failed" -eq 0 ] && echo "check-layers-test: ${#cases[@]} cases as expected"
exit "$failed"
