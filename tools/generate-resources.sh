#!/bin/sh
# Regenerates every bitmap, the icon and the waves into OUTDIR (default: res/ of the repository).
# Usage: tools/generate-resources.sh [OUTDIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$here/../res"}
py=${PYTHON:-/usr/bin/python3}
mkdir -p "$out"
"$py" "$here/make_bitmaps.py" "$out"
"$py" "$here/make_icon.py" "$out"
"$py" "$here/make_waves.py" "$out"
