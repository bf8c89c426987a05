#!/usr/bin/env bash
# Runs every test of the project, installing what the tests need first (Debian 12, as root).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$ORVANE_ROOT"

bash scripts/deps-host.sh
bash scripts/deps-res.sh
bash scripts/deps-wine.sh
bash scripts/deps-release.sh
bash scripts/deps-linux.sh
bash scripts/deps-web.sh

echo "== core: build and unit tests"
cmake --workflow --preset host

echo "== pictures, icon and sounds: generators and files"
bash tests/res/run.sh

echo "== Windows program: cross-build"
cmake --workflow --preset windows

echo "== Release: Windows ZIP and installer, .deb, web ZIP, SHA256SUMS (builds the linux and web presets)"
cmake --workflow --preset release

echo "== Linux edition: build, Qt tests and .deb"
cmake --workflow --preset linux

echo "== Windows program and release under Wine, and the Linux edition: end-to-end tests"
/usr/bin/python3 -m unittest discover -s tests/e2e -t tests/e2e -v

echo "== Linux edition on Wayland (a private headless Weston): the same end-to-end tests"
ORVANE_DISPLAY_SERVER=wayland /usr/bin/python3 -m unittest discover -s tests/e2e -t tests/e2e \
    -p test_linux.py -v

echo "== Browser edition: build the site, then test it in headless Chromium, Firefox ESR and WebKitGTK"
cmake --workflow --preset web
npm ci --prefix tests/web --ignore-scripts --no-audit --no-fund
for engine in chromium firefox webkit; do
    echo "-- $engine"
    ORVANE_BROWSER=$engine node --test tests/web/
done
