#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and nothing when they are all there.
set -euo pipefail

packages=(build-essential cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev gcc-mingw-w64-i686 g++-mingw-w64-x86-64 libuemf-dev qt6-base-dev fonts-dejavu-core xvfb xauth)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "These packages are missing and there is no root access to install them: ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
