#!/usr/bin/env bash
# Builds with warnings as errors and runs the whole test suite.
# With "asan" as the first argument the same happens under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
bash tools/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" -j"$(nproc)"
