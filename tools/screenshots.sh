#!/usr/bin/env bash
# Regenerates docs/screenshots/*.png: builds the scene program and runs it under a virtual X
# server. BUILD_DIR chooses the build folder (build/release by default).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build/release}"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target layomatic_screenshots layomatic_data -j2
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing: apt-get install xvfb xauth" >&2; exit 1; }
mkdir -p docs/screenshots
# The scenes save their own windows, so no window manager is needed.
xvfb-run -a -s "-screen 0 1280x800x24" "$build/bin/layomatic_screenshots" docs/screenshots
