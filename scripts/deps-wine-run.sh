#!/usr/bin/env bash
# Installs what building the Windows program and starting it under Wine needs, and nothing
# more: what `bash scripts/run.sh --wine` installs (Debian 12, Ubuntu 24.04).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ensure_packages \
  g++-mingw-w64-x86-64 `# cross compiler (posix and win32 thread models)` \
  cmake \
  googletest `# GoogleTest's sources, for the Win32 unit tests that the preset builds` \
  wine wine64 `# runs the programs` \
  fonts-ipafont-gothic `# stands in for the Japanese dialog font` \
  fonts-wine `# Wine's own fonts (Marlett draws the caption buttons)` \
  python3 `# writes the Wine prefix's font settings`
