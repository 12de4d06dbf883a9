#!/usr/bin/env bash
# Builds the release configuration and starts the editor. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/bin/layomatic "$@"
