#!/usr/bin/env bash
# Cost of the built LV2 plug-in beside LV2 plug-ins that each do one of its parts,
# through lv2bench in one run (same machine, same moment, same block size). Prints
# nanoseconds per frame (best of a few runs) and each one's cost relative to ours.
# Usage: bench/lv2-peers.sh [build-dir] [block]   (peers: Debian packages
# lsp-plugins-lv2, calf-plugins and x42-plugins)
set -euo pipefail
BUILD_DIR="${1:-build}"
BLOCK="${2:-512}"
FRAMES=960000
RUNS=5
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cp -r "$BUILD_DIR/drollicant.lv2" "$scratch/"
export LV2_PATH="$scratch:/usr/lib/x86_64-linux-gnu/lv2:/usr/lib/lv2"

plugins=(
  "urn:drollicant:lv2:drollicant|Drollicant"
  "http://lsp-plug.in/plugins/lv2/crossover_stereo|LSP crossover (stereo)"
  "http://calf.sourceforge.net/plugins/RingModulator|Calf ring modulator"
  "http://calf.sourceforge.net/plugins/MultiChorus|Calf multi chorus"
  "http://gareus.org/oss/lv2/fil4#stereo|x42 parametric EQ (stereo)"
)

best_ns() {
  local uri="$1" best="" t
  for _ in $(seq "$RUNS"); do
    t="$(lv2bench -b "$BLOCK" -n "$FRAMES" "$uri" 2>/dev/null | awk -v u="$uri" '$2 == u { print $1 }')"
    [[ -z "$t" ]] && return 1
    if [[ -z "$best" ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best="$t"; fi
  done
  awk -v s="$best" -v n="$FRAMES" 'BEGIN { printf "%.1f", s / n * 1e9 }'
}

ours=""
printf "%-32s %12s %10s\n" "plug-in (block $BLOCK)" "ns/frame" "× ours"
for entry in "${plugins[@]}"; do
  uri="${entry%%|*}" name="${entry#*|}"
  if ! ns="$(best_ns "$uri")"; then
    printf "%-32s %12s\n" "$name" "not installed"
    continue
  fi
  [[ -z "$ours" ]] && ours="$ns"
  printf "%-32s %12s %10s\n" "$name" "$ns" "$(awk -v a="$ns" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')"
done
