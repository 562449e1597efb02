#!/usr/bin/env bash
# Installs what the build needs on Debian 12 (when run as root and something is missing),
# then configures and builds into $BUILD_DIR. Sourced by main.sh and test.sh.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev
  libplist-dev libicu-dev
  libcairo2-dev librsvg2-dev libpango1.0-dev libx11-dev fonts-dejavu-core
  libsndfile1-dev lv2-dev liblilv-dev
  lilv-utils sordi jalv jackd2 xvfb xdotool x11-utils imagemagick sox
  clang libclang-rt-14-dev clang-format clang-tidy
  dpkg-dev ardour
  dpf-source zam-plugins libjack-jackd2-dev
)

# The cross build for 64-bit ARM boards (cmake/aarch64-linux-gnu.cmake): Debian's cross
# toolchain and qemu on the build machine, the libraries of the effect (not the editor's)
# as :arm64 packages beside the machine's own.
CROSS_ARCH=arm64
CROSS_HOST_PACKAGES=(crossbuild-essential-arm64 qemu-user)
CROSS_TARGET_PACKAGES=(libgtest-dev libplist-dev libicu-dev libsndfile1-dev lv2-dev)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# Installs the missing packages among the arguments, as root; otherwise says how.
install_missing() {
  local missing=()
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_packages() { install_missing "${PACKAGES[@]}"; }

# On an arm64 machine the native build is the ARM build: nothing to cross.
builds_for_arm_natively() { [ "$(dpkg --print-architecture)" = "$CROSS_ARCH" ]; }

install_cross_packages() {
  builds_for_arm_natively && return 0
  if ! dpkg --print-foreign-architectures | grep -qx "$CROSS_ARCH"; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "The ARM cross build needs: sudo dpkg --add-architecture $CROSS_ARCH" >&2
      exit 1
    fi
    dpkg --add-architecture "$CROSS_ARCH"
  fi
  install_missing "${CROSS_HOST_PACKAGES[@]}" "${CROSS_TARGET_PACKAGES[@]/%/:$CROSS_ARCH}"
}

build() {
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" "$@" >/dev/null
  cmake --build "$BUILD_DIR"
}
