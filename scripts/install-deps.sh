#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Run as root (CI and a fresh machine are root); a non-root user gets told
# which packages to install.
set -euo pipefail

# msitools: wixl builds the installer, msiinfo reads it in the package test;
# binutils: strings reads the programs' version resources there; git, patch
# and python3: the console tests apply a preview's patch and read reports;
# clang and libfuzzer-14-dev: the sanitizer build and the fuzz targets.
packages=(cmake make g++ googletest mingw-w64 wine wine64 xvfb xauth imagemagick x11-utils xdotool time
  msitools binutils git patch python3 clang libfuzzer-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Please install these packages as root: apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
