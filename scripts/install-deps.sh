#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing for those already present.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libfmt-dev nlohmann-json3-dev
  clang libclang-rt-14-dev
  libcairo2-dev libuemf-dev fonts-liberation libfreetype-dev libfontconfig-dev zlib1g-dev libjpeg-dev
  libsqlite3-dev pxlib-dev pkg-config qt6-base-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}" >&2
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
