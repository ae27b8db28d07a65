#!/usr/bin/env bash
# Installs the Debian 12 packages TAVO needs to build, run and test, when they are missing.
set -euo pipefail
packages=(cmake make g++ python3 qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libqt6sql6-sqlite
          libgl-dev fonts-dejavu-core poppler-utils xvfb xauth libxlsxwriter-dev python3-openpyxl
          qt6-translations-l10n libqt6sql6-psql postgresql locales-all libpq-dev libsqlite3-dev
          dpkg-dev lintian libgdal-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    echo "Installiere: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
