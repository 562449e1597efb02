#!/usr/bin/env bash
# Main job: install what is missing, build everything, install the LV2 plug-in for the
# current user (~/.lv2, no root needed) and render the built-in demo clip.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_packages
build
cmake --install "$BUILD_DIR" --component lv2
DEMO_OUTPUT="${DEMO_OUTPUT:-$PWD/drollicant-demo.wav}"
"$BUILD_DIR/drollicant" render -o "$DEMO_OUTPUT"
echo "Demo clip rendered through Drollicant: $DEMO_OUTPUT"
