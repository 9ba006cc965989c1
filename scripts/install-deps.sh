#!/usr/bin/env bash
# Installs what building, running and testing timelock needs on Debian 12,
# and nothing when it is all there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev
  clang clang-tidy clang-format libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix
  wine wine64 fonts-wine fonts-wqy-zenhei
  xvfb xdotool x11-utils imagemagick
  faketime libfaketime
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
