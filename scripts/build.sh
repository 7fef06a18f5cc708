#!/usr/bin/env bash
# Configures and builds Tessaly into build/ (or $BUILD_DIR). Extra args go to cmake.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
LAUNCHER=()
# ccache, where installed, keeps compiled objects across build folders and
# checkouts (paths are taken relative to the checkout).
if command -v ccache >/dev/null; then
  LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$ROOT" CCACHE_NOHASHDIR=true
fi
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja "${LAUNCHER[@]}" "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "${JOBS:-$(nproc)}"
