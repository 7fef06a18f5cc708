#!/usr/bin/env bash
# Installs the Debian packages Tessaly needs, when any is missing.
#   scripts/deps.sh            what the build, the tests and the program use
#   scripts/deps.sh --fuzz     also clang and its sanitizer runtime (scripts/fuzz.sh)
#   scripts/deps.sh --display  also a virtual display and screenshot tools
#                              (xvfb-run scripts/run.sh on a machine without a desktop)
# Run as root (or with sudo available); does nothing when all are present.
set -euo pipefail
# Build: compiler, CMake/Ninja, Qt 6, CLI11, nlohmann-json, segyio. Tests:
# GoogleTest; poppler-utils reads back the PDF pages that printing writes;
# slurm-wlm and munge run the array-job scripts of scripts/slurm on a one-node
# Slurm the test starts itself (tests/slurm; no system service is used).
PKGS=(cmake ninja-build g++ qt6-base-dev libgtest-dev libsegyio-dev libcli11-dev nlohmann-json3-dev
      poppler-utils slurm-wlm munge)
for arg in "$@"; do
  case "$arg" in
    --fuzz) PKGS+=(clang libclang-rt-14-dev) ;;
    --display) PKGS+=(xvfb xauth xdotool imagemagick) ;;
    *) echo "deps.sh: unknown option $arg (use --fuzz or --display)" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then SUDO=sudo; else
    echo "Missing packages (${missing[*]}) and not root: install them with apt-get." >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}"
