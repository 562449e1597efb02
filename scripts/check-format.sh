#!/usr/bin/env bash
# Fails, listing the files, when any tracked C++ file differs from .clang-format.
# Fix with: git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
git ls-files -z '*.cpp' '*.h' '*.hpp' '*.cc' | xargs -0 clang-format --dry-run -Werror
