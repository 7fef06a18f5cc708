#!/usr/bin/env bash
# Checks which way the folders depend on each other: every #include
# "folder/File.h" of a file under src/, apps/, tests/core/ and fuzz/ must name a
# folder its own folder may use, and the Qt-free folders must include no Qt
# header. What each folder under src/ may use is read from its declaration in
# src/CMakeLists.txt (tessaly_floor / tessaly_area), the one place an area is
# registered; docs/architecture.md explains the rules.
# Prints each include that breaks the rule (file:line), then the number of files
# that hold one; exits 1 when there are any.
# Usage: scripts/check_layers.sh [ROOT]          check the includes
#        scripts/check_layers.sh --table [ROOT]  print the table of the declarations (Markdown)
set -uo pipefail
TABLE=0
if [ "${1:-}" = "--table" ]; then TABLE=1; shift; fi
SELF="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
ROOT="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$ROOT" || exit 2

declare -A FLOOR_DEPS=() AREA_DEPS=() AREA_WINDOW_USE=() QT_FLOOR=()
FLOORS=() AREAS=()
declared=" "
faults=0

# One declaration per line: tessaly_floor(NAME [QT] [DEPENDS ...]) or
# tessaly_area(NAME [DEPENDS ...] [WINDOWS_USE ...]).
while IFS= read -r line; do
  [[ "$line" =~ ^[[:space:]]*tessaly_(floor|area)\(([^\)]*)\) ]] || continue
  kind="${BASH_REMATCH[1]}"
  read -r -a words <<< "${BASH_REMATCH[2]}"
  name="${words[0]}"
  part=deps deps="" use="" qt=0
  for w in "${words[@]:1}"; do
    case "$w" in
      QT) qt=1 ;;
      DEPENDS) part=deps ;;
      WINDOWS_USE) part=use ;;
      *)
        if [[ "$declared" != *" $w "* ]]; then
          echo "src/CMakeLists.txt: $name uses $w, which is not declared above it"
          faults=$((faults + 1))
        fi
        if [ "$part" = deps ]; then deps+=" $w"; else use+=" $w"; fi ;;
    esac
  done
  declared+="$name "
  if [ "$kind" = floor ]; then
    FLOORS+=("$name"); FLOOR_DEPS[$name]="$deps"; QT_FLOOR[$name]=$qt
  else
    AREAS+=("$name"); AREA_DEPS[$name]="$deps"; AREA_WINDOW_USE[$name]="$use"
  fi
done < src/CMakeLists.txt

if [ ${#AREAS[@]} -eq 0 ]; then
  echo "src/CMakeLists.txt declares no area"
  exit 1
fi

if [ $TABLE -eq 1 ]; then
  echo "| folder | may include (besides itself) |"
  echo "|---|---|"
  for f in "${FLOORS[@]}"; do
    d="$(echo ${FLOOR_DEPS[$f]} | sed 's/ /, /g')"
    echo "| \`src/$f\` | ${d:-nothing else}$([ "${QT_FLOOR[$f]}" = 1 ] && echo '; Qt') |"
  done
  for a in "${AREAS[@]}"; do
    c="shared, platform"; w="$a/core, shared, platform, qt"
    for d in ${AREA_DEPS[$a]}; do c+=", $d/core"; w+=", $d/core"; done
    for d in ${AREA_WINDOW_USE[$a]}; do w+=", $d/core"; done
    echo "| \`src/$a/core\` | $c |"
    [ -d "src/$a" ] && ls src/$a/*.cpp >/dev/null 2>&1 && echo "| \`src/$a\` | $w |"
  done
  echo "| \`src/app\` | anything under \`src/\` |"
  exit 0
fi

# The table of docs/architecture.md, between its markers, must be the one the
# declarations give.
DOC=docs/architecture.md
if [ -f "$DOC" ]; then
  if ! diff <(sed -n '/<!-- layers-table -->/,/<!-- \/layers-table -->/p' "$DOC" | sed '1d;$d') \
            <(bash "$SELF" --table "$ROOT") >/dev/null; then
    echo "$DOC: the table of which way each may depend differs from src/CMakeLists.txt (scripts/check_layers.sh --table prints it)"
    faults=$((faults + 1))
  fi
fi

is_area() { [ -n "${AREA_DEPS[$1]+x}" ]; }
is_core() { [[ "$1" == */core ]] && is_area "${1%/core}"; }
is_floor() { [ -n "${FLOOR_DEPS[$1]+x}" ]; }
# A Qt-free floor (platform, shared).
plain_floor() { is_floor "$1" && [ "${QT_FLOOR[$1]}" != 1 ]; }
in_list() { [[ " $2 " == *" $1 "* ]]; }

# allowed FROM TO: may a file of folder FROM include a header of folder TO?
allowed() {
  local from="$1" to="$2"
  [ -z "$to" ] && return 0
  case "$from" in
    src/app)          [[ -d "src/$to" ]] ;;
    src/*/core)
      local own="${from#src/}"
      local area="${own%/core}"
      is_area "$area" || return 1
      [[ "$to" == "$own" ]] && return 0
      plain_floor "$to" && return 0
      is_core "$to" && in_list "${to%/core}" "${AREA_DEPS[$area]}" ;;
    src/*)
      local name="${from#src/}"
      if is_floor "$name"; then
        [[ "$to" == "$name" ]] || in_list "$to" "${FLOOR_DEPS[$name]}"
        return
      fi
      is_area "$name" || return 1
      [[ "$to" == "$name" || "$to" == "$name/core" ]] && return 0
      is_floor "$to" && return 0
      is_core "$to" && in_list "${to%/core}" "${AREA_DEPS[$name]} ${AREA_WINDOW_USE[$name]}" ;;
    apps/tessaly)     [[ -d "src/$to" ]] ;;
    # JobPad: the cores and the floors, never a window of Tessaly's.
    apps/JobPad)      is_floor "$to" || is_core "$to" ;;
    # tsly: the cores and the floors. It paints its pictures with the qt
    # floor's figure painter (Qt Gui), as the windows do, and never shows a
    # window (those are in the areas' own folders, out of its reach).
    apps/tsly)        is_floor "$to" || is_core "$to" ;;
    apps/mkabout)     return 1 ;;
    # The tests of the cores and the fuzz targets: Qt-free code only.
    tests/core|fuzz)
      [[ "$to" == support || "$to" == tests/support ]] || plain_floor "$to" || is_core "$to" ;;
    *) return 0 ;;
  esac
}

# Folders whose files must compile without Qt.
qt_free() {
  case "$1" in
    src/*/core|tests/core|fuzz) return 0 ;;
    src/*) plain_floor "${1#src/}" ;;
    *) return 1 ;;
  esac
}

declare -A bad_file=()
while IFS= read -r hit; do
  file="${hit%%:*}"
  rest="${hit#*:}"
  line="${rest%%:*}"
  text="${rest#*:}"
  from="${file%/*}"
  if [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
    inc="${BASH_REMATCH[1]}"
    # The folder (relative to src/) the include names; "" for a header beside
    # the including file.
    to=""
    [[ "$inc" == */* ]] && to="${inc%/*}"
    if ! allowed "$from" "$to"; then
      echo "$file:$line: includes \"$inc\" ($from may not depend on $to)"
      bad_file[$file]=1
    fi
  elif [[ "$text" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<(Q[A-Za-z]*)[/\>] ]] && qt_free "$from"; then
    echo "$file:$line: includes <${BASH_REMATCH[1]}...> ($from is Qt-free)"
    bad_file[$file]=1
  fi
done < <(find src apps tests/core fuzz -type f \( -name '*.cpp' -o -name '*.h' \) -print0 2>/dev/null | sort -z |
         xargs -0 grep -Hn '^[[:space:]]*#[[:space:]]*include')

# A folder under src/ that no declaration names.
for d in src/*/; do
  d="${d%/}"; n="${d#src/}"
  [ "$n" = app ] && continue
  if ! is_floor "$n" && ! is_area "$n"; then
    echo "$d: not declared in src/CMakeLists.txt"
    faults=$((faults + 1))
  fi
done

echo "${#bad_file[@]} files include a header from a folder they may not depend on"
[ "${#bad_file[@]}" -eq 0 ] && [ $faults -eq 0 ]
