#!/usr/bin/env bash
# Installs what the Linux edition needs to build, run, test and package on Debian 12.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
# Build: compiler, CMake, Qt 6 Widgets and Multimedia (QSoundEffect plays through PulseAudio,
# no GStreamer plugin needed), the OpenGL headers Qt's CMake files ask for, GoogleTest for the
# core's tests in the same preset.
# Package: dpkg-shlibdeps (dpkg-dev), fakeroot, file; appstreamcli checks the metainfo,
# lintian the .deb.
# Run and test: the Japanese font, Xvfb, PulseAudio with its tools, sox, ImageMagick, xdotool,
# and D-Bus with AT-SPI and pyatspi, through which the tests work the window.
ensure_packages cmake make g++ libgtest-dev \
    qt6-base-dev qt6-multimedia-dev libgl-dev \
    dpkg-dev fakeroot file appstream lintian \
    fonts-ipafont-gothic \
    xvfb xdotool pulseaudio pulseaudio-utils sox imagemagick \
    dbus-daemon at-spi2-core python3-pyatspi python3
