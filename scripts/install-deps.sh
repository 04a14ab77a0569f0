#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Run as root (CI and a fresh machine are root); a non-root user gets told
# which packages to install.
set -euo pipefail

# The packages of scripts/tools.txt, the one list of the commands the build and the tests run.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mapfile -t packages < <(sed 's/#.*//' "$here/scripts/tools.txt" | awk 'NF && !seen[$1]++ { print $1 }')
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Please install these packages as root: apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
