#!/usr/bin/env bash
# Installs what the Windows build and its end-to-end tests under Wine need (Debian 12): what
# building and running needs (deps-wine-run.sh), then what only the tests use.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$(dirname "$0")/deps-wine-run.sh"
ensure_packages \
  xvfb xdotool x11-utils imagemagick `# private X server, window tools, screenshots` \
  pulseaudio pulseaudio-utils sox `# null sink, recording, wave tools` \
  python3-pil `# reading captures in the display-scale tests` \
  python3-xvfbwrapper python3-xlib python3-psutil `# the harness's Xvfb, X requests, CPU figures`
