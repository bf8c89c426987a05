#!/usr/bin/env bash
# Installs what the browser edition needs to build, serve and check on Debian 12: what building
# and serving needs (deps-web-run.sh), then Chromium and Firefox ESR (screenshots, the browser
# tests).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$(dirname "$0")/deps-web-run.sh"
ensure_packages chromium firefox-esr
if ! command -v npm >/dev/null 2>&1; then
    ensure_packages npm
fi
