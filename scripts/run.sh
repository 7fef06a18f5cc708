#!/usr/bin/env bash
# Installs what is missing, builds, makes demo data if absent, and shows what the
# open scan finds in it. Steps are functions so more can be added (start the job
# editor and the program) without touching the others.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
DEMO_DIR="${DEMO_DIR:-$ROOT/demo}"
TSLY="$BUILD_DIR/apps/tsly/tsly"

install_deps() { "$ROOT/scripts/deps.sh"; }

build() { "$ROOT/scripts/build.sh"; }

# demo/gather.dat: a CDP gather of 10 CDPs x 12 offsets, 500 samples at 4 ms.
make_demo_data() {
  mkdir -p "$DEMO_DIR"
  if [ ! -s "$DEMO_DIR/gather.dat" ]; then
    "$TSLY" synth "$DEMO_DIR/gather.dat" --noise 0.05 --seed 7
  fi
}

show_demo_info() { "$TSLY" info "$DEMO_DIR/gather.dat"; }

install_deps
build
make_demo_data
show_demo_info
