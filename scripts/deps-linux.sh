#!/usr/bin/env bash
# Installs what the Linux edition needs to build, run, test and package on Debian 12.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
# Build: compiler, CMake, Qt 6 Widgets, the OpenGL headers Qt's CMake files ask for, the
# PulseAudio client library (found through pkg-config) the sounds play through, GoogleTest for
# the core's tests in the same preset.
# Package: dpkg-shlibdeps (dpkg-dev), fakeroot, file; appstreamcli checks the metainfo,
# lintian the .deb.
# Run and test: the Japanese font, Xvfb, PulseAudio with its tools, sox, ImageMagick, xdotool,
# and D-Bus with AT-SPI and pyatspi, through which the tests work the window.
ensure_packages cmake make g++ libgtest-dev \
    qt6-base-dev libgl-dev libpulse-dev pkg-config \
    dpkg-dev fakeroot file appstream lintian \
    fonts-ipafont-gothic \
    xvfb xdotool pulseaudio pulseaudio-utils sox imagemagick \
    dbus-daemon at-spi2-core python3-pyatspi python3
# Tests only: a private PipeWire with its pulse service and session manager, the sound server
# of Debian 12 and Ubuntu desktops, for the sound tests' second rig.
ensure_packages pipewire pipewire-pulse wireplumber
