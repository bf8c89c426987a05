#!/usr/bin/env bash
# Builds the program and starts it. On Linux: the native Qt edition (build/linux/bin).
# With --wine: the Windows program under Wine, in a Wine prefix of its own (build/wineprefix):
# the user's ~/.wine is never touched.
# With --web: the browser edition, built into build/web/site and served on
# http://127.0.0.1:8000/ until Ctrl+C.
# Run it as yourself: it asks sudo only to install the packages that building and running need
# (scripts/deps-*-run.sh); the test command installs the rest.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$ORVANE_ROOT"

if [ "${1:-}" = "--web" ]; then
    bash scripts/deps-web-run.sh
    cmake --workflow --preset web
    echo "OrvaneATS in the browser: http://127.0.0.1:8000/"
    # Every answer "no-cache", so a rebuilt site (a new sw.js) is picked up on the next visit.
    exec /usr/bin/python3 scripts/serve_site.py build/web/site 8000
fi

if [ "${1:-}" != "--wine" ]; then
    bash scripts/deps-linux-run.sh
    cmake --preset linux >/dev/null
    cmake --build --preset linux --target orvaneats orvaneats_waves
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display (DISPLAY is empty): start the program from a desktop session." >&2
        exit 1
    fi
    exec "$ORVANE_ROOT/build/linux/bin/orvaneats"
fi

bash scripts/deps-wine-run.sh
cmake --workflow --preset windows

export WINEPREFIX="$ORVANE_ROOT/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no offer to download Mono or Gecko
if [ ! -f "$WINEPREFIX/.orvane-ready" ]; then
    echo "Preparing the Wine prefix $WINEPREFIX (once)..."
    # The Japanese dialog fonts and Wine's UI font mapped to the installed IPA fonts, as in the
    # tests' prefix.
    /usr/bin/python3 tests/e2e/harness/wine_prefix.py prepare-prefix "$WINEPREFIX"
    touch "$WINEPREFIX/.orvane-ready"
fi

if [ -z "${DISPLAY:-}" ]; then
    echo "No X display (DISPLAY is empty): start the program from a desktop session." >&2
    exit 1
fi
exec wine "$ORVANE_ROOT/build/windows/bin/orvaneats.exe"
