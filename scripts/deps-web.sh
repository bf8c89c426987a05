#!/usr/bin/env bash
# Installs what the browser edition needs to build, serve and check on Debian 12: what building
# and serving needs (deps-web-run.sh), then Chromium, Firefox ESR and WebKitGTK's WebDriver
# with its MiniBrowser on Xvfb (screenshots, the browser tests), and PulseAudio with its
# GStreamer sink, where Firefox and WebKit play the sounds the tests hear.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$(dirname "$0")/deps-web-run.sh"
ensure_packages chromium firefox-esr webkit2gtk-driver xvfb pulseaudio pulseaudio-utils \
    gstreamer1.0-pulseaudio
if ! command -v npm >/dev/null 2>&1; then
    ensure_packages npm
fi
