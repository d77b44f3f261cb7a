#!/usr/bin/env bash
# Installs what is missing, builds everything and makes the Debian package
# build/fpbx_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
cd build
cpack -G DEB >/dev/null
ls "$PWD"/fpbx_*_amd64.deb
