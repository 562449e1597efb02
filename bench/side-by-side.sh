#!/usr/bin/env bash
# Everything the effect's cost is judged by, measured in one run on this machine:
#  1. the kernel at 1, 32, 64 and 512-frame blocks, also as hosts call it (allocated for
#     long blocks, called with short ones), at the default and near-neutral modulation
#     depth (delays of a few samples or none), and at 512 the same work through the
#     plain loops kept with the tests and through each instruction-set copy;
#  2. the built LV2 plug-in beside LV2 plug-ins that each do one of its parts (Debian
#     packages lsp-plugins-lv2, calf-plugins, x42-plugins), through lv2bench.
#  3. the command line rendering a minute of noise at blocks of 1, 32 and 512 frames,
#     file access included (sox makes the noise).
# Times are the best of several repetitions (the least disturbed on a shared machine);
# read the ratios, not the absolute figures.
# With a second build directory (an earlier version, built alike) the kernel's and the
# command line's figures of both are printed side by side, all measured in this one run.
# Run as root, the measurements take real-time priority, so that builds and other work
# on the machine disturb them less.
# Usage: bench/side-by-side.sh [build-dir] [baseline-build-dir]
set -euo pipefail
BUILD_DIR="${1:-build}"
BASELINE_DIR="${2:-}"
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BLOCK=512
FRAMES=960000
RUNS=5
RENDER_SECONDS=60

PRIORITY=()
[[ "$(id -u)" == 0 ]] && command -v chrt >/dev/null && PRIORITY=(chrt -f 50)
KERNEL_FILTER='BM_Copies/block:512/|BM_KernelProcess/block:(1|32|64|512)/flighty:(0|1)|BM_KernelInHost|BM_KernelNeutral'
kernel_csv() {
  "${PRIORITY[@]}" "$1/bench/drollicant_bench" --benchmark_filter="$KERNEL_FILTER" \
    --benchmark_min_time=0.2 --benchmark_repetitions="$RUNS" --benchmark_format=csv 2>/dev/null
}

echo "== kernel (ns per stereo frame at 48 kHz)"
if [[ -n "$BASELINE_DIR" ]]; then
  tables="$(mktemp -d)"
  # Alternate the two so that a disturbance falls on both alike; the best repetition counts.
  for round in 1 2; do
    kernel_csv "$BASELINE_DIR" >>"$tables/before.csv"
    kernel_csv "$BUILD_DIR" >>"$tables/after.csv"
  done
  "$HERE/compare.py" "$tables/before.csv" "$tables/after.csv"
  rm -rf "$tables"
else
  kernel_csv "$BUILD_DIR" | "$HERE/best-of.py"
fi

echo
echo "== LV2 plug-ins through lv2bench, block $BLOCK"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cp -r "$BUILD_DIR/drollicant.lv2" "$scratch/"
# Debian's plug-ins live in the multiarch folder of this machine (x86_64-linux-gnu, aarch64-linux-gnu…).
export LV2_PATH="$scratch:/usr/lib/$(gcc -dumpmachine)/lv2:/usr/lib/lv2"
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
printf "%-32s %10s %12s\n" "plug-in" "ns/frame" "x Drollicant"
for entry in "${plugins[@]}"; do
  uri="${entry%%|*}" name="${entry#*|}"
  if ! ns="$(best_ns "$uri")"; then
    printf "%-32s %10s\n" "$name" "not installed"
    continue
  fi
  [[ -z "$ours" ]] && ours="$ns"
  printf "%-32s %10s %12s\n" "$name" "$ns" "$(awk -v a="$ns" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')"
done

echo
echo "== the command line: 'drollicant render' of $((RENDER_SECONDS)) s of stereo noise, ns per frame"
# The whole command as a user runs it, file reading and writing included, at the block
# sizes of frame-by-frame hosts, small buffers and the default.
sox -n -r 48000 -c 2 -b 32 -e float "$scratch/noise.wav" synth "$RENDER_SECONDS" pinknoise vol 0.3
render_ns() {
  local command="$1/drollicant" block="$2" best="" start end t
  for _ in $(seq "$RUNS"); do
    start="$(date +%s%N)"
    "${PRIORITY[@]}" "$command" render "$scratch/noise.wav" -o "$scratch/out.wav" --block "$block" >/dev/null 2>&1 || return 1
    end="$(date +%s%N)"
    t=$((end - start))
    if [[ -z "$best" ]] || ((t < best)); then best="$t"; fi
  done
  awk -v t="$best" -v n="$((RENDER_SECONDS * 48000))" 'BEGIN { printf "%.1f", t / n }'
}
builds=("$BUILD_DIR")
[[ -n "$BASELINE_DIR" && -x "$BASELINE_DIR/drollicant" ]] && builds=("$BASELINE_DIR" "$BUILD_DIR")
printf "%-40s %8s %8s %8s %10s %10s\n" "build" "block 1" "32" "512" "1 / 512" "32 / 512"
for dir in "${builds[@]}"; do
  one="$(render_ns "$dir" 1)" small="$(render_ns "$dir" 32)" default="$(render_ns "$dir" 512)"
  printf "%-40s %8s %8s %8s %10s %10s\n" "$dir" "$one" "$small" "$default" \
    "$(awk -v a="$one" -v b="$default" 'BEGIN { printf "%.2f", a / b }')" \
    "$(awk -v a="$small" -v b="$default" 'BEGIN { printf "%.2f", a / b }')"
done
