#!/usr/bin/env bash
# Installs what is missing, checks which way the folders depend on each other
# (scripts/check_layers.sh), builds, and runs every test through ctest twice:
#  1. the normal build in build/ (or $BUILD_DIR), warnings as errors;
#  2. the whole tree again with AddressSanitizer + UndefinedBehaviorSanitizer in
#     build-asan/ (or $ASAN_BUILD_DIR), benchmarks off, at -O0 with line tables only, to keep the build
#     and the run short; there the core cases run in one process (one ctest
#     entry). Any sanitizer report (error, undefined behaviour, leak)
#     fails its test. Known leaks of system libraries (fontconfig, Qt's plugin
#     loading) are suppressed by scripts/lsan.supp.
# SKIP_ASAN=1 runs only the first pass. Exits non-zero when either pass fails.
set -uo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/deps.sh" || exit 1
export QT_QPA_PLATFORM=offscreen
JOBS="${JOBS:-$(nproc)}"
status=0

echo "== folder dependencies"
"$ROOT/scripts/check_layers.sh" "$ROOT" || status=1

echo "== build and test (build: ${BUILD_DIR:-$ROOT/build})"
if BUILD_DIR="${BUILD_DIR:-$ROOT/build}" JOBS="$JOBS" "$ROOT/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release -DTESSALY_WERROR=ON; then
  (cd "${BUILD_DIR:-$ROOT/build}" && ctest --output-on-failure -j "$JOBS" --timeout 600) || status=1
else
  echo "build failed"
  status=1
fi

if [ "${SKIP_ASAN:-0}" != 1 ]; then
  ASAN_DIR="${ASAN_BUILD_DIR:-$ROOT/build-asan}"
  echo "== sanitizer build and test (build: $ASAN_DIR)"
  export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=0:strict_string_checks=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
  if BUILD_DIR="$ASAN_DIR" JOBS="$JOBS" "$ROOT/scripts/build.sh" -DTESSALY_SANITIZE=ON -DTESSALY_BENCH=OFF -DTESSALY_WERROR=ON \
      -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O0"; then
    (cd "$ASAN_DIR" && ctest --output-on-failure -j "$JOBS" --timeout 900) || status=1
  else
    echo "sanitizer build failed"
    status=1
  fi
fi

if [ $status -ne 0 ]; then echo "== FAILED"; else echo "== all passed"; fi
exit $status
