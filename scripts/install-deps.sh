#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing for those already present.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libfmt-dev nlohmann-json3-dev
  clang libclang-rt-14-dev
  libcairo2-dev libuemf-dev fonts-liberation fonts-dejavu-core fonts-wqy-zenhei libfreetype-dev libfontconfig-dev zlib1g-dev libjpeg-dev
  libsqlite3-dev pxlib-dev pkg-config qt6-base-dev
  qpdf poppler-utils libxml2-utils libtiff-tools imagemagick)
# The office suite that opens the exported worksheets and documents in the tests is large
# (about 90 MB to download, without its recommendations): installed only when
# QR2VOR_OFFICE_TESTS=1, as CI sets it.
office=()
if [ "${QR2VOR_OFFICE_TESTS:-0}" = 1 ]; then office=(libreoffice-calc-nogui libreoffice-writer-nogui); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
missing_office=()
for p in "${office[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing_office+=("$p")
done
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if ((${#missing[@]} + ${#missing_office[@]})); then
  echo "installing: ${missing[*]} ${missing_office[*]}" >&2
  "${sudo_cmd[@]}" apt-get update -qq
fi
if ((${#missing[@]})); then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
if ((${#missing_office[@]})); then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing_office[@]}"
fi
