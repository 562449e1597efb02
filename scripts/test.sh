#!/usr/bin/env bash
# Test job: install what is missing, check formatting, build, run every test; then build again with
# AddressSanitizer and UndefinedBehaviorSanitizer and run the tests that load no
# foreign host process (tests labelled "host" run real hosts, which cannot load a
# sanitized plug-in).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_packages
install_cross_packages
"$ROOT/scripts/check-format.sh"
build
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" --timeout 300

# The builds below only check the same code again (another CPU, sanitizers): each merges
# its sources into a few units, which builds them in a third of the time. The native build
# above keeps one unit per file, so a file that lacks an include still fails there.
UNITY=-DCMAKE_UNITY_BUILD=ON

# 64-bit ARM (Raspberry Pi and other boards): the effect, the command and the LV2 plug-in
# cross-built with Debian's toolchain, their tests run under qemu-user. The editor's
# libraries (cairo, pango, librsvg, X11) stay out of the cross build. On an arm64 machine
# the native build above is this build.
if ! builds_for_arm_natively; then
  ARM_DIR="$ROOT/build-arm64"
  BUILD_DIR="$ARM_DIR" build "$UNITY" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/aarch64-linux-gnu.cmake" -DDROLLICANT_EDITOR=OFF \
    -DDROLLICANT_BENCHMARKS=OFF
  # soak: minutes of audio, ten times slower emulated; the native run above has it.
  ctest --test-dir "$ARM_DIR" --output-on-failure -j "$(nproc)" --timeout 600 -LE soak
fi

SANITIZE_DIR="$ROOT/build-sanitize"
BUILD_DIR="$SANITIZE_DIR" BUILD_TYPE=Sanitize build "$UNITY" -DDROLLICANT_SANITIZE=address,undefined \
  -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g1" -DCMAKE_C_FLAGS_SANITIZE="-O1 -g1"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$SANITIZE_DIR" --output-on-failure -j "$(nproc)" --timeout 300 -LE "host|soak"  # soak: minutes of audio, too slow sanitized

# ThreadSanitizer: the threading tests (label "threads") only, so only their
# executables are built. Any data race it reports fails the run.
TSAN_DIR="$ROOT/build-tsan"
TSAN_TARGETS=(audiounit_thread_tests drollicant_clap_thread_tests)
cmake -S "$ROOT" -B "$TSAN_DIR" -G Ninja "$UNITY" -DCMAKE_BUILD_TYPE=Sanitize -DDROLLICANT_SANITIZE=thread \
  -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g1" -DCMAKE_C_FLAGS_SANITIZE="-O1 -g1" >/dev/null
cmake --build "$TSAN_DIR" --target "${TSAN_TARGETS[@]}"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir "$TSAN_DIR" --output-on-failure -j "$(nproc)" --timeout 300 -L threads

# libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer): a few
# thousand inputs each, grown from the seeds in tests/fuzz/corpus (read only).
FUZZ_DIR="$ROOT/build-fuzz"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$FUZZ_DIR" -G Ninja "$UNITY" -DCMAKE_BUILD_TYPE=Sanitize -DDROLLICANT_FUZZ=ON \
  -DDROLLICANT_SANITIZE=address,undefined -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g1" -DCMAKE_C_FLAGS_SANITIZE="-O1 -g1" >/dev/null
cmake --build "$FUZZ_DIR" --target drollicant_fuzzers
ctest --test-dir "$FUZZ_DIR" --output-on-failure -j "$(nproc)" --timeout 300 -L fuzz
