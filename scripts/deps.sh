#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program, the tests and the benchmarks need, when
# missing. Every package whose headers or libraries the build uses, and every program a test or a
# benchmark starts, is named here: CI's package audit (.ci/run) fails on anything left out.
set -euo pipefail

packages=(
  # The build.
  cmake ninja-build g++ pkg-config file
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n qt6-multimedia-dev
  qt6-charts-dev libqt6opengl6-dev  # Qt6Charts' CMake package needs Qt6OpenGL's, which it does not pull in
  libx11-dev libxtst-dev            # the scanner benchmark types through XTest on Xvfb
  libsqlite3-dev libjsoncpp-dev libcurl4-openssl-dev libpq-dev
  libzip-dev libxlsxwriter-dev libpoppler-qt6-dev libzxing-dev
  libgtest-dev libgmock-dev
  # Programs the build, the tests and the benchmarks start.
  qpdf                                  # encrypted test invoice files
  python3 python3-xlwt python3-openpyxl # workbooks written and read by real writers and readers
  sqlite3                               # the benchmarks' baseline
  postgresql-15 passwd util-linux       # the throw-away server (initdb, pg_ctl; its user; runuser)
  libreoffice-calc-nogui                # a real office suite reads the exported .xlsx
  xvfb xauth                            # a real X server for the scanner benchmark and start.sh
  # The Debian package.
  dpkg-dev desktop-file-utils
  # Chinese texts on screen.
  fonts-wqy-microhei fonts-liberation
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || {
      echo "Installing packages needs root: run this as root or install sudo." >&2
      exit 1
    }
    sudo_cmd=(sudo)
  fi
  # dpkg's chatter goes to a log, shown only when the installation fails.
  log=$(mktemp)
  if ! { "${sudo_cmd[@]}" apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "Installing the packages failed (see above)." >&2
    exit 1
  fi
  rm -f "$log"
  echo "Installed ${#missing[@]} packages."
fi
