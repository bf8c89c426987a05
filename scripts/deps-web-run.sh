#!/usr/bin/env bash
# Installs what building and serving the browser edition needs, and nothing more: what
# `bash scripts/run.sh --web` installs (Debian 12, Ubuntu 24.04): Emscripten (the core in
# WebAssembly), CMake, Python with Pillow and fonttools (pictures, icons and the font cut from
# IPA P Gothic at build time; its http.server serves the site) and the Japanese font.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ensure_packages emscripten cmake make python3 python3-pil fonts-ipafont-gothic \
    python3-fonttools python3-brotli
