#!/usr/bin/env bash
# Configures and builds Tessaly into build/ (or $BUILD_DIR). Extra args go to cmake.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "${JOBS:-$(nproc)}"
