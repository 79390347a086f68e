#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, test and run, but only
# the ones that are missing, so a second run costs a few dpkg queries.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libssl-dev openssl
  libre2-dev libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev
  clang libclang-rt-14-dev
  fonts-noto-cjk xvfb xauth x11-apps
  ca-certificates
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

echo "install-deps: installing ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
