#!/usr/bin/env bash
# Installs what the core and its unit tests need on Debian 12.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ensure_packages cmake make g++ libgtest-dev
