#!/bin/sh
# Installs the Debian packages the resource generators and tests/res need, only those missing.
set -eu
missing=""
for pkg in python3 python3-pil fonts-ipafont-gothic; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing="$missing $pkg"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
$sudo apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
