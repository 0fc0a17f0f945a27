#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need, only those missing.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libssl-dev libtinyxml2-dev libcurl4-openssl-dev unixodbc-dev libcpp-httplib-dev
  qt6-base-dev qt6-webengine-dev qt6-webchannel-dev libqt6opengl6-dev
  fonts-wqy-microhei xvfb x11-utils libx11-dev
  microsocks socat dante-server odbc-postgresql postgresql
  clang libclang-rt-14-dev python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages (run as root to install): ${missing[*]}" >&2
    exit 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
