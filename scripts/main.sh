#!/usr/bin/env bash
# Main job: install what is missing, build everything, run the kernel benchmark.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_packages
build
"$BUILD_DIR/bench/drollicant_bench" --benchmark_counters_tabular=true
