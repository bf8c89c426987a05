#!/usr/bin/env bash
# Installs what `cmake --workflow --preset release` needs besides the Windows build (Debian 12):
# makensis for the installer; the ZIP and SHA256SUMS are made with Python's standard library.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ensure_packages nsis python3
