#!/usr/bin/env bash
# Takes the pictures of the program's windows for docs/: builds the Windows
# tests, runs their picture tests under Wine on an Xvfb display and
# photographs each window when a test asks for it.
#
# The handshake: a test calls TakePicture(window, name) (tests/ui/
# ui_test_support.h), which writes <name>.request ("width height x y" of the
# window on the screen) into XPC_PICTURES_DIR and waits; this script crops
# the screen to that rectangle into docs/<name>.png and answers with
# <name>.done.
#
# Usage: scripts/pictures.sh [mingw-build-dir]   (default: build/mingw)
# XPC_PICTURE_FILTER=... takes only the pictures of those tests.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build/mingw}
case "$build" in /*) ;; *) build=$here/$build ;; esac

# Each section names the picture tests of one part of the program.
filters=(
  # The seven message boxes: docs/message-1.png .. docs/message-7.png
  'MessageBoxTest.Pictures'
  # Our library's about box: docs/about.png
  'SkinTest.Pictures'
  # The progress window: docs/progress.png
  'ProgressWindowTest.PictureMidRun'
  # The wizard window: docs/wizard-*.png
  'WizardTest.Pictures'
  # A project dropped on the wizard, and the two messages of drops it refuses:
  # docs/wizard-dropped.png, docs/message-no-project.png, docs/message-not-ansi.png
  'WizardOpenTest.Pictures'
  # The wizard with its user controls listed and the preview window:
  # docs/wizard-user-controls.png, docs/preview.png; after a run the message about the code lines and their
  # window, docs/message-code.png and docs/code-lines.png, and the restore's
  # question and count: docs/message-restore.png, docs/message-restored.png
  'WizardPreviewTest.Pictures'
)

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$build"
fi

bash "$here/scripts/install-deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" >/dev/null
fi
cmake --build "$build" -j2 --target ui_tests

# A prefix of its own: on a display without a window manager Wine draws the
# title bars itself only for windows it does not hand to a manager, and the
# pictures should show them. The tests' prefix stays as it is.
export WINEPREFIX=${XPC_PICTURES_PREFIX:-$build/wineprefix-pictures} XPC_WINE_UNMANAGED=1
if [ ! -f "$WINEPREFIX/system.reg" ] || ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  bash "$here/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  wineserver -w
fi
docs=$here/docs
mkdir -p "$docs"
rm -f "$docs"/*.request "$docs"/*.request.tmp "$docs"/*.done
XPC_PICTURES_DIR=$(WINEDEBUG=-all winepath -w "$docs" 2>/dev/null | tr -d '\r')
export XPC_PICTURES_DIR

filter=${XPC_PICTURE_FILTER:-$(IFS=:; echo "${filters[*]}")}
bash "$here/scripts/wine-run.sh" "$build/tests/ui/ui_tests.exe" --gtest_filter="$filter" &
tests=$!

photograph() {
  local request=$1 name width height x y
  name=$(basename "$request" .request)
  read -r width height x y <"$request"
  # Windows partly off the screen are cropped to what is on it.
  import -window root -crop "${width}x${height}+${x}+${y}" +repage "$docs/$name.png"
  echo "picture: docs/$name.png (${width}x${height})"
  rm -f "$request"
  : >"$docs/$name.done"
}

while kill -0 "$tests" 2>/dev/null; do
  for request in "$docs"/*.request; do
    [ -e "$request" ] && photograph "$request"
  done
  sleep 0.2
done
status=0
wait "$tests" || status=$?
rm -f "$docs"/*.request "$docs"/*.request.tmp "$docs"/*.done
exit "$status"
