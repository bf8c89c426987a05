#!/usr/bin/env bash
# Installs what the browser edition needs to build, serve and check on Debian 12: Emscripten
# (the core in WebAssembly), CMake, Python with Pillow (pictures and icons at build time) and
# Chromium (screenshots, the browser tests). Node and npm come from elsewhere on some
# machines: Debian's npm only when there is none.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ensure_packages emscripten cmake make python3 python3-pil chromium fonts-ipafont-gothic \
    python3-fonttools python3-brotli firefox-esr webkit2gtk-driver xvfb
if ! command -v npm >/dev/null 2>&1; then
    ensure_packages npm
fi
