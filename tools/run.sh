#!/usr/bin/env bash
# Builds the release configuration and starts the editor on a simulated keyboard, whose memory is
# kept in build/release/simulated-keyboard.state from one run to the next. Extra arguments go to
# the program (--sim-model ID, --sim-firmware X.Y|damaged, layout files to open); an explicit
# --simulator=… replaces the default one, and LAYOMATIC_HARDWARE=1 talks to the real keyboard.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
args=("$@")
if [[ "${LAYOMATIC_HARDWARE:-0}" != 1 && " $* " != *" --simulator"* ]]; then
    args=("--simulator=$PWD/build/release/simulated-keyboard.state" "${args[@]}")
fi
exec build/release/bin/layomatic "${args[@]}"
