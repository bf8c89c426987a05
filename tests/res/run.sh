#!/bin/sh
cd "$(dirname "$0")/../.." && exec /usr/bin/python3 -m unittest discover -s tests/res -v "$@"
