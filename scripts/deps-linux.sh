#!/usr/bin/env bash
# Installs what the Linux edition needs to build, run, test and package on Debian 12: what
# building and running needs (deps-linux-run.sh), then the rest, which only the test command
# installs.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$(dirname "$0")/deps-linux-run.sh"
# Package: dpkg-shlibdeps (dpkg-dev), fakeroot, file; appstreamcli checks the metainfo,
# desktop-file-validate (desktop-file-utils) the desktop entry, lintian the .deb.
# Test: Xvfb (started through xvfbwrapper), python-xlib, PulseAudio with its tools, sox,
# ImageMagick, xdotool, psutil (the bench's CPU figures), and D-Bus (dbus-run-session) with
# AT-SPI and pyatspi, through which the tests work the window; Weston and Qt's Wayland plugin
# for the Wayland rig.
ensure_packages dpkg-dev fakeroot file appstream desktop-file-utils lintian \
    xvfb python3-xvfbwrapper python3-xlib xdotool pulseaudio pulseaudio-utils sox imagemagick \
    python3-psutil dbus-daemon at-spi2-core python3-pyatspi python3 \
    weston qt6-wayland
# Tests only: a private PipeWire with its pulse service and session manager, the sound server
# of Debian 12 and Ubuntu desktops, for the sound tests' second rig.
ensure_packages pipewire pipewire-pulse wireplumber
