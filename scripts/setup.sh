#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages. Installs only what is missing.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev clang-format libgtest-dev googletest
          nlohmann-json3-dev liblcms2-dev pkg-config g++-mingw-w64-x86-64 wine64 time bc
          wixl msitools osslsigncode openssl)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
