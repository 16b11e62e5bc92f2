#!/usr/bin/env bash
# Installs every Debian package the build and the tests need, only when one is missing,
# so a second run costs a few dpkg queries.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev
  libicu-dev libjpeg-dev libinih-dev
  libgtest-dev libgmock-dev libbenchmark-dev libedf-dev
  libcli11-dev nlohmann-json3-dev libssl-dev
  clang libclang-rt-14-dev
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
