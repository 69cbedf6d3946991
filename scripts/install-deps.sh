#!/usr/bin/env bash
# Installs every Debian package Quillbox needs to build, run and test.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libpugixml-dev libgumbo-dev libjpeg62-turbo-dev libwmf-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  qt6-base-dev qt6-webengine-dev qt6-webengine-dev-tools libqt6svg6-dev
  xvfb xauth xdg-utils shared-mime-info media-types fonts-dejavu-core
  # the connector's end-to-end test
  chromium chromium-driver python3-selenium
  # libwmf cannot play a metafile without the URW base fonts
  fonts-urw-base35
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The connector's Firefox build is checked by web-ext, from npm.
if ! command -v web-ext > /dev/null; then
  if ! command -v npm > /dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get install -y --no-install-recommends nodejs npm
  fi
  $SUDO npm install -g web-ext
fi
