#!/usr/bin/env bash
# Test job: install what is missing, build, run every test.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_packages
build
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)"
