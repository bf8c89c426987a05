#!/usr/bin/env bash
# Installs what the resource generators and tests/res need (Debian 12).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
ensure_packages python3 python3-pil fonts-ipafont-gothic
