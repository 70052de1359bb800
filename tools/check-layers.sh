#!/usr/bin/env bash
# Checks every #include of the station's sources against the layers that docs/ARCHITECTURE.md
# draws: the note's table between "<!-- layers: begin -->" and "<!-- layers: end -->" names,
# for each folder of src/ (and for main.cpp), the folders its files may include besides their
# own. Every target has src/ on its include path, so a wrong-way include would compile, in
# quotes or in angle brackets alike; this check is what keeps the layers. Qt is included only
# by src/ui/qt and main.cpp.
#
#   tools/check-layers.sh [source tree]      (default: the tree this script is in)
#
# Prints each include against the layers with its file and line, and exits 1 when there is any.
set -euo pipefail

root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
note="$root/docs/ARCHITECTURE.md"
src="$root/src"

declare -A allowed=()
while IFS= read -r row; do
  # Table rows: | `folder` | `other` `other` ... |
  [[ "$row" =~ ^\|[[:space:]]*\`([a-z/.]+)\`[[:space:]]*\|([^|]*)\| ]] || continue
  allowed["${BASH_REMATCH[1]}"]=" $(tr -d '`' <<< "${BASH_REMATCH[2]}" | xargs) "
done < <(sed -n '/<!-- layers: begin -->/,/<!-- layers: end -->/p' "$note")

if [ ${#allowed[@]} -eq 0 ]; then
  echo "check-layers: no layer table between the layer markers of $note" >&2
  exit 1
fi

# Sets `layer` to the layer of a source file or of an included path below src/: main.cpp,
# ui/qt, or the first folder; empty for a bare file name (a file beside the includer).
layer_of() {
  case "$1" in
    main.cpp) layer="main.cpp" ;;
    ui/qt/*) layer="ui/qt" ;;
    */*) layer="${1%%/*}" ;;
    *) layer="" ;;
  esac
}

wrong=0
files=0
while IFS= read -r -d '' path; do
  files=$((files + 1))
  file="${path#"$src"/}"
  layer_of "$file"
  from="$layer"
  if [ -z "${allowed[$from]+set}" ]; then
    echo "src/$file: the folder \"$from\" has no row in the layer table of docs/ARCHITECTURE.md"
    wrong=$((wrong + 1))
  fi
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)

while IFS= read -r found; do
  found="${found#"$src"/}"
  file="${found%%:*}"
  rest="${found#*:}"
  number="${rest%%:*}"
  line="${rest#*:}"
  layer_of "$file"
  from="$layer"
  [ -n "${allowed[$from]+set}" ] || continue  # told above
  [[ "$line" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+) ]] || continue
  kind="${BASH_REMATCH[1]}"
  included="${BASH_REMATCH[2]}"
  if [ "$kind" = "<" ]; then
    if [[ "$included" == Q* ]] && [ "$from" != "ui/qt" ] && [ "$from" != "main.cpp" ]; then
      echo "src/$file:$number: $from may not include Qt (<$included>): only ui/qt and main.cpp do"
      wrong=$((wrong + 1))
      continue
    fi
    # A path whose first folder is a folder of src/ is one of ours in angle brackets: it
    # keeps the layers as the quoted form does. Anything else is a system or library header.
    [[ "$included" == */* ]] && [ -d "$src/${included%%/*}" ] || continue
  fi
  if [[ "$included" == *..* ]]; then
    echo "src/$file:$number: \"$included\": an include names its folder below src/, never a relative path"
    wrong=$((wrong + 1))
    continue
  fi
  layer_of "$included"
  to="$layer"
  [ -z "$to" ] || [ "$to" = "$from" ] && continue
  [[ "${allowed[$from]}" == *" $to "* ]] && continue
  echo "src/$file:$number: $from may not include $to (\"$included\"); see the layers in docs/ARCHITECTURE.md"
  wrong=$((wrong + 1))
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' --include='*.h' --include='*.cpp' "$src" | sort)

echo "check-layers: $files files, $wrong include(s) against the layers"
[ "$wrong" -eq 0 ]
