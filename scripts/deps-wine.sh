#!/usr/bin/env bash
# Installs what the Windows build and its end-to-end tests under Wine need (Debian 12, as root).
# Idempotent: asks apt only for the packages that are missing.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64  # cross compiler (posix and win32 thread models)
  cmake
  wine wine64           # runs the programs
  xvfb xdotool x11-utils imagemagick  # private X server, window tools, screenshots
  pulseaudio pulseaudio-utils sox     # null sink, recording, wave tools
  fonts-ipafont-gothic  # stands in for the Japanese dialog font
  fonts-wine            # Wine's own fonts (Marlett draws the caption buttons)
  python3
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg -s "$package" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "deps-wine: all ${#packages[@]} packages present"
  exit 0
fi

echo "deps-wine: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
