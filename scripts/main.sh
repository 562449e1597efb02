#!/usr/bin/env bash
# Main job: install what is missing, build everything, install the LV2, VST3 and CLAP
# plug-ins for the current user (~/.lv2, ~/.vst3, ~/.clap, no root needed) and render the
# built-in demo clip.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_packages
build
cmake --install "$BUILD_DIR" --component lv2 >/dev/null
installed="$(grep -m1 '/manifest.ttl$' "$BUILD_DIR/install_manifest_lv2.txt")"
echo "LV2 plug-in installed for your hosts: $(dirname "$installed")"
for format in vst3 clap; do
  cmake --install "$BUILD_DIR" --component "$format" >/dev/null
done
echo "VST3 plug-in installed: $(grep -m1 -o '.*/Drollicant.vst3' "$BUILD_DIR/install_manifest_vst3.txt")"
echo "CLAP plug-in installed: $(head -n1 "$BUILD_DIR/install_manifest_clap.txt")"
echo "Live on a JACK input: $BUILD_DIR/drollicant live (see --help)"
DEMO_OUTPUT="${DEMO_OUTPUT:-$PWD/drollicant-demo.wav}"
"$BUILD_DIR/drollicant" render -o "$DEMO_OUTPUT"
echo "Demo clip rendered through Drollicant: $DEMO_OUTPUT"
