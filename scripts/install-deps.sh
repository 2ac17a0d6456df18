#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# skipping those already installed. Safe to run again.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  libblkid-dev libudev-dev libcli11-dev nlohmann-json3-dev
  qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  ntfs-3g fuse3 fusefat dosfstools mtools sleuthkit zstd
  xvfb xauth
  desktop-file-utils appstream
  time procps python3
  clang-14 libclang-rt-14-dev
)
if [ "${1:-}" = "--runtime" ]; then
  PACKAGES=(cmake ninja-build g++ pkg-config libblkid-dev libudev-dev libcli11-dev nlohmann-json3-dev qt6-base-dev zstd)
elif [ "${1:-}" = "--windows" ]; then
  # The Windows leg (scripts/test-windows.sh): the MinGW-w64 cross compiler,
  # GoogleTest's sources to build with it, and Wine to run what it makes.
  PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix googletest libcli11-dev nlohmann-json3-dev wine wine64)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
