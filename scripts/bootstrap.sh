#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; skips what is already present.
# usage: scripts/bootstrap.sh [--package]   (--package adds what building and checking the .deb needs)
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libhidapi-dev libudev-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev nlohmann-json3-dev libtomlplusplus-dev libboost-dev libqrencode-dev
  chromium chromium-driver python3-selenium
  fonts-liberation2 fonts-wqy-microhei xvfb xauth
  desktop-file-utils appstream file
)
if [ "${1:-}" = "--package" ]; then
  packages+=(dpkg-dev lintian x11-utils xdotool imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
