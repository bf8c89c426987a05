#!/usr/bin/env bash
# Installs what building and running the Linux edition needs, and nothing more: what
# `bash scripts/run.sh` installs on a user's desktop (Debian 12, Ubuntu 24.04).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
# Compiler, CMake, Qt 6 Widgets, the OpenGL headers Qt's CMake files ask for, the PulseAudio
# client library (found through pkg-config; it talks to PipeWire's pulse service as well),
# GoogleTest, which configuring the preset asks for, and the Japanese font of the window.
ensure_packages cmake make g++ libgtest-dev \
    qt6-base-dev libgl-dev libpulse-dev pkg-config \
    fonts-ipafont-gothic
