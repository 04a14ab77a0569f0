#!/usr/bin/env bash
# The one command that runs every test: installs what is missing, checks that
# every tool it uses comes from a package of its list, builds the native and
# the Windows (MinGW-w64) programs, runs the native tests, then the
# same tests built for Windows under Wine and Xvfb, then the end-to-end tests,
# then builds the Windows packages and tests them as a user would.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
# The system's own folders only: the tests run the tools the Debian packages
# of scripts/tools.txt install, as on a fresh machine, and not a python3 or a
# cmake that a version manager or a hand install put earlier on PATH.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
jobs=$(nproc)
# Wine names files in the charset of the locale, and the tests' file names
# need UTF-8: a bare system or a CI container is often in the C locale.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
werror=${XPC_WERROR:-OFF}

bash scripts/install-deps.sh
echo "== Every tool from a listed package (scripts/tools.txt)"
bash scripts/check-tools.sh
bash scripts/check-tools-test.sh

echo "== Native build"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release -DXPC_WERROR="$werror" >/dev/null
cmake --build build/native -j "$jobs"
echo "== Native tests"
(cd build/native && ctest --output-on-failure)

echo "== Windows build (MinGW-w64)"
cmake -S . -B build/mingw -DCMAKE_BUILD_TYPE=Release -DXPC_WERROR="$werror" \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" >/dev/null
cmake --build build/mingw -j "$jobs"
echo "== Windows tests under Wine"
# A prefix of the tests' own, whose windows Wine frames itself (see wine-run.sh).
export WINEPREFIX="$here/build/wineprefix-test" XPC_WINE_UNMANAGED=1
(cd build/mingw && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure)

if [ -x scripts/e2e.sh ]; then
  echo "== End-to-end tests"
  bash scripts/e2e.sh
fi
echo "== Names on Linux as under Wine"
bash scripts/names-e2e.sh
echo "== One run per project, two processes"
bash scripts/lock-e2e.sh

echo "== Packages (portable zip and installer) and their test under Wine"
cmake --build build/mingw --target package
bash scripts/package-test.sh

# ---- Sanitizers and fuzzing ------------------------------------------------
# The native tests once more, built with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer (build/asan), which stop at the first finding;
# then every fuzz target for XPC_FUZZ_SECONDS (30) seconds. Both fail the run
# on any finding.
echo "== Sanitizer build (clang, ASan + UBSan)"
CC=clang CXX=clang++ cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DXPC_SANITIZE=ON -DXPC_FUZZ=ON -DXPC_WERROR="$werror" >/dev/null
cmake --build build/asan -j "$jobs"
echo "== Native tests under the sanitizers"
(cd build/asan && UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure)
echo "== Fuzzing"
XPC_WERROR="$werror" bash scripts/fuzz.sh all "${XPC_FUZZ_SECONDS:-30}"
# ---- end of sanitizers and fuzzing -----------------------------------------
