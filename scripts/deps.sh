#!/usr/bin/env bash
# Installs the Debian packages Tessaly needs, when any is missing.
# Run as root (or with sudo available); does nothing when all are present.
set -euo pipefail
PKGS=(cmake ninja-build g++ qt6-base-dev libgtest-dev libbenchmark-dev libsegyio-dev
      libcli11-dev nlohmann-json3-dev xvfb xauth xdotool imagemagick clang libclang-rt-14-dev
      poppler-utils)
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
