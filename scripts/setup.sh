#!/usr/bin/env bash
# Installs the Debian packages the build, the tools and the tests need, only when some are missing.
set -euo pipefail

packages=(
    juce-modules-source cmake ninja-build g++ pkg-config ccache make
    libxcursor-dev libfreetype-dev libasound2-dev libflac-dev
    libgtest-dev clang-format
    lilv-utils lv2-dev sordi xvfb x11-utils imagemagick sox binutils
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
