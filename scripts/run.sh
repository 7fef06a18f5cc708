#!/usr/bin/env bash
# Installs what is missing, builds, makes demo data if absent, shows what the
# open scan finds in it, then starts the job editor and Tessaly on the demo
# velocity-scan panels. Each step is a function of its own.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
DEMO_DIR="${DEMO_DIR:-$ROOT/demo}"
TSLY="$BUILD_DIR/apps/tsly/tsly"
TESSALY="$BUILD_DIR/apps/tessaly/tessaly"
JOBPAD_DIR="$BUILD_DIR/apps/JobPad"

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

# demo/scan.nmo: stacked velocity-scan panels made from the gather (two runs of
# 5 CDPs at nine trial velocities), when panel generation is available.
make_demo_panels() {
  [ -s "$DEMO_DIR/scan.nmo" ] && return 0
  if ! "$TSLY" generate "$DEMO_DIR/gather.dat" "$DEMO_DIR/scan.nmo" --start-cdps 1001,1006 \
      --cdps-per-panel 5 --velocities 1600,1800,2000,2200,2400,2600,2800,3000,3200 >/dev/null 2>&1; then
    rm -f "$DEMO_DIR/scan.nmo"
    echo "run.sh: no velocity-scan demo file (panel generation is not available in this build)" >&2
  fi
}

# demo/tessaly.ini: the settings file Tessaly reads from its start directory,
# with the demo folder as the last directory (so "&Open" starts there). The
# display suits the demo's 2 s of 4 ms samples: one sample per pixel row (the
# whole record in view, timing lines every 20 ms, labels every 100 ms), a gain
# of 12 dB and 14 pixels between traces, so that the wiggles stand out from the
# timing lines, and a window in the top-left corner that leaves room, on a
# 1280 x 1024 screen, for the "Velocity Function" beside it and the "Velocity
# Spectrum" below it (the nine panels of a CDP scroll across). An existing
# file is kept: it holds what the last run saved.
make_demo_settings() {
  local ini="$DEMO_DIR/tessaly.ini" last
  [ -s "$ini" ] && return 0
  last="$(cd "$DEMO_DIR" && pwd)"
  {
    printf ' 14  trace offset\r\n 100  tlength\r\n 0  place holder\r\n'
    printf ' 1  sampling ratio\r\n 0  place holder\r\n 12  datadivisor\r\n'
    printf '%s\r\n' "$last"
    printf ' 0  place holder\r\n 0  place holder\r\n 0  place holder\r\n 0  place holder\r\n'
    printf '%s\r\n' '\worog15\worog.exe'
    printf ' 0  area fill flag\r\n 0  normalize flag\r\n-1  graphics save flag\r\n'
    printf ' 0  place holder\r\n 0  place holder\r\n 0  place holder\r\n'
    printf ' 0  form top\r\n 0  form left\r\n 10500  form width\r\n 9600  form height\r\n'
  } > "$ini"
}

# The job editor, then Tessaly, both in the demo folder, Tessaly opening the
# demo's velocity-scan panels (when there are any) as "&Open" would. JobPad's
# folder is put on PATH as well, so Tessaly can start it again itself when it is
# closed, and tsly's, so JobPad's File > Run finds it.
start_programs() {
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no display (DISPLAY is not set); run it on a desktop, or under xvfb-run -a." >&2
    return 1
  fi
  export PATH="$JOBPAD_DIR:$(dirname "$TSLY"):$PATH"
  cd "$DEMO_DIR"
  if [ -x "$JOBPAD_DIR/JobPad" ]; then
    "$JOBPAD_DIR/JobPad" >/dev/null 2>&1 &
    sleep 1
  fi
  if [ -s "$DEMO_DIR/scan.nmo" ]; then
    exec "$TESSALY" "$(pwd)/scan.nmo"
  fi
  exec "$TESSALY"
}

install_deps
build
make_demo_data
show_demo_info
make_demo_panels
make_demo_settings
start_programs
