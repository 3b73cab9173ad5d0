#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# qt6-charts-dev's CMake files need Qt OpenGL's, which it does not pull in:
# libqt6opengl6-dev is named beside it.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev libqt6sql6-sqlite libsqlite3-dev libqt6svg6 nettle-dev
          libgtest-dev libbenchmark-dev fonts-wqy-microhei qt6-translations-l10n
          desktop-file-utils appstream dpkg-dev file clang libclang-rt-14-dev
          clang-format clang-tidy lintian strace qt6-charts-dev libqt6opengl6-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
