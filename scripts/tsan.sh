#!/usr/bin/env bash
# Builds the core tests with ThreadSanitizer in build-tsan/ (or $TSAN_BUILD_DIR)
# and runs the tests of the engines that use threads: panel generation, the
# NMO deck run, the semblance engine and the tiles of the canvas raster. Any
# data race fails the run.
# Only the core library and its test executable are built (no windows).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
DIR="${TSAN_BUILD_DIR:-$ROOT/build-tsan}"
cmake -S "$ROOT" -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O1" \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
  -DTESSALY_BENCH=OFF >/dev/null
cmake --build "$DIR" -j "${JOBS:-$(nproc)}" --target core_tests
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
"$DIR/tests/core_tests" --gtest_brief=1 \
  --gtest_filter='*GenerationReference*:*GenerationPanelMoveout*:GenerationEngine.*:*DeckApplyVelocities*:*Semblance*:*PlatformRaster*:*DeckWorkers*'
