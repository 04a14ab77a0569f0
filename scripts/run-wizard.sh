#!/usr/bin/env bash
# Starts the Windows wizard xpwizard.exe under Wine on the user's display,
# building it with MinGW-w64 first when it is missing or out of date.
# Usage: scripts/run-wizard.sh [build-dir]   (default: build/mingw)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build/mingw}

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
run-wizard: there is no display ($DISPLAY is not set), and the wizard is a window.
Without a display, use the console program xpconvert, for example:
  cmake -S . -B build/native && cmake --build build/native -j2 --target xpconvert
  build/native/cli/xpconvert run path/to/App.vbp
  build/native/cli/xpconvert --help
MSG
  exit 2
fi

# Only what is missing gets installed (and only as root).
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || ! command -v wine >/dev/null; then
  bash "$here/scripts/install-deps.sh"
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "run-wizard: configuring the Windows build in $build"
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" >/dev/null
fi
echo "run-wizard: building xpwizard.exe (MinGW-w64)"
cmake --build "$build" -j2 --target xpwizard >/dev/null

exe="$build/ui/xpwizard.exe"
[ -f "$exe" ] || { echo "run-wizard: $exe was not built" >&2; exit 1; }
echo "run-wizard: starting $exe under Wine"
exec bash "$here/scripts/wine-run.sh" "$exe"
