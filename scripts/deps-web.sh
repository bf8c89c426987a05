#!/usr/bin/env bash
# Installs what the browser edition needs to build, serve and check on Debian 12: Emscripten
# (the core in WebAssembly), CMake, Python with Pillow and fonttools (pictures, icons and the
# font cut from IPA P Gothic at build time), Chromium and Firefox ESR (the browser tests). Node and npm come from elsewhere on some
# machines: Debian's npm only when there is none.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ensure_packages emscripten cmake make python3 python3-pil chromium fonts-ipafont-gothic \
    python3-fonttools python3-brotli firefox-esr
if ! command -v npm >/dev/null 2>&1; then
    ensure_packages npm
fi
