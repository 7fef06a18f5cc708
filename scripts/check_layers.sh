#!/usr/bin/env bash
# Checks which way the folders depend on each other (docs/architecture.md has the
# table): every #include "folder/File.h" of a file under src/, apps/, tests/core/
# and fuzz/ must name a folder its own folder may depend on, and the Qt-free
# folders must include no Qt header. Prints each include that breaks the rule
# (file:line), then the number of files that hold one; exits 1 when there are any.
# Usage: scripts/check_layers.sh [ROOT]   (ROOT defaults to the checkout)
set -uo pipefail
ROOT="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$ROOT" || exit 2

# Feature areas: a window folder src/<area> with its Qt-free core src/<area>/core.
AREAS="open display jobs generation output startup exchange"
# The only ways one feature core may use another (no cycles: exchange -> jobs
# -> generation -> open).
CORE_EDGES="generation/core>open/core jobs/core>generation/core exchange/core>jobs/core"

is_area() { case " $AREAS " in *" $1 "*) return 0 ;; esac; return 1; }
is_core() { [[ "$1" == */core ]] && is_area "${1%/core}"; }

# allowed FROM TO: may a file of folder FROM include a header of folder TO?
allowed() {
  local from="$1" to="$2"
  [ -z "$to" ] && return 0
  case "$from" in
    src/platform)    [ "$to" = platform ] ;;
    src/platform/qt) [[ "$to" == platform || "$to" == platform/qt || "$to" == shared ]] ;;
    src/shared)      [[ "$to" == shared || "$to" == platform ]] ;;
    src/app)         [[ -d "src/$to" ]] ;;
    src/*/core)
      local own="${from#src/}"
      [[ "$to" == "$own" || "$to" == shared || "$to" == platform ]] && return 0
      is_core "$to" && [[ " $CORE_EDGES " == *" $own>$to "* ]] ;;
    src/*)
      local area="${from#src/}"
      is_area "$area" || return 1
      [[ "$to" == "$area" || "$to" == shared || "$to" == platform || "$to" == platform/qt ]] && return 0
      is_core "$to" ;;
    apps/tessaly)    [[ -d "src/$to" ]] ;;
    apps/JobPad)     [[ "$to" == jobs/core || "$to" == shared || "$to" == platform || "$to" == platform/qt ]] ;;
    apps/tsly)       [[ "$to" == shared || "$to" == platform ]] || is_core "$to" ;;
    apps/mkabout)    return 1 ;;
    tests/core|fuzz)
      [[ "$to" == shared || "$to" == platform || "$to" == support || "$to" == tests/support ]] || is_core "$to" ;;
    *) return 0 ;;
  esac
}

# Folders whose files must compile without Qt.
qt_free() {
  case "$1" in
    src/platform|src/shared|src/*/core|tests/core|fuzz) return 0 ;;
  esac
  return 1
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

echo "${#bad_file[@]} files include a header from a folder they may not depend on"
[ "${#bad_file[@]}" -eq 0 ]
