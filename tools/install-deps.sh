#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Sourced by run.sh and test.sh; safe to run again.
set -euo pipefail

KIVO_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libudev-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev libqt6svg6
  fonts-liberation
  clang libclang-rt-dev clang-format
  xauth xvfb xdotool
  scdoc man-db desktop-file-utils appstream
  libical-dev tzdata
  libcurl4-openssl-dev libxml2-dev
  radicale openssl khal khard
  poppler-utils
)

kivo_install_deps() {
  local missing=()
  for p in "${KIVO_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
