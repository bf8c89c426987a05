#!/usr/bin/env bash
# Runs every test of the project, installing what the tests need first.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$ORVANE_ROOT"

bash scripts/deps-host.sh
echo "== core: build and unit tests"
cmake --workflow --preset host
