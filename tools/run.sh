#!/usr/bin/env bash
# Builds the release configuration and starts the program. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ $# -eq 0 ]; then set -- --help; fi
exec build/release/bin/layomatic-cli "$@"
