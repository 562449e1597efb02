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

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
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

build() {
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" "$@" >/dev/null
  cmake --build "$BUILD_DIR"
}
