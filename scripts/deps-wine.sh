#!/usr/bin/env bash
# Installs what the Windows build and its end-to-end tests under Wine need (Debian 12).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ensure_packages \
  g++-mingw-w64-x86-64 `# cross compiler (posix and win32 thread models)` \
  cmake \
  wine wine64 `# runs the programs` \
  xvfb xdotool x11-utils imagemagick `# private X server, window tools, screenshots` \
  pulseaudio pulseaudio-utils sox `# null sink, recording, wave tools` \
  fonts-ipafont-gothic `# stands in for the Japanese dialog font` \
  fonts-wine `# Wine's own fonts (Marlett draws the caption buttons)` \
  python3 python3-pil `# reading captures in the display-scale tests`
