#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need, when missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n qt6-multimedia-dev
  qt6-charts-dev libqt6opengl6-dev  # Qt6Charts' CMake package needs Qt6OpenGL's, which it does not pull in
  libx11-dev libsqlite3-dev libjsoncpp-dev libcurl4-openssl-dev
  libzip-dev libxlsxwriter-dev
  libgtest-dev libgmock-dev
  libpoppler-qt6-dev libzxing-dev libquazip1-qt6-dev qpdf libzip-dev libxlsxwriter-dev
  python3 python3-xlwt python3-openpyxl sqlite3
  libpq-dev postgresql-15 passwd util-linux
  dpkg-dev file desktop-file-utils
  fonts-wqy-microhei fonts-liberation
)
if [[ "${1:-}" == "--desktop" ]]; then
  packages+=(xvfb xauth)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
