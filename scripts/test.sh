#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test, those of the registry on a
# server against a PostgreSQL 15 server of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
# CTest starts and stops the throw-away PostgreSQL server around the tests that need it (the
# pgserver fixture); should ctest itself be stopped, the server is stopped here all the same.
trap 'bash scripts/pgserver.sh stop build/pgtest >/dev/null 2>&1 || true' EXIT
(cd build && QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 ctest --output-on-failure --timeout 300 -j2)
