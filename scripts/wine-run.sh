#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix (made on first
# use), without Wine's debug chatter and without the Mono/Gecko install prompts.
#
# XPC_WINE_UNMANAGED=1 makes a new prefix draw its own window frames instead
# of handing windows to a window manager: on an Xvfb display there is none,
# and Wine then waits for each top-level window to be hidden (seconds per
# window) and leaves title bars undrawn. The tests and the pictures use that;
# the wizard on a user's desktop keeps the desktop's frames.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine_bin=$(command -v wine64 || command -v wine || true)
if [ -z "$wine_bin" ]; then
  [ -x /usr/lib/wine/wine64 ] && wine_bin=/usr/lib/wine/wine64
fi
[ -n "$wine_bin" ] || { echo "wine-run: Wine is not installed (scripts/install-deps.sh installs it)" >&2; exit 127; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  if [ "${XPC_WINE_UNMANAGED:-0}" = 1 ]; then
    "$wine_bin" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  fi
  wineserver -w || true
fi
# Wine draws the title-bar buttons with its Marlett font, which Debian's Wine
# finds only in the prefix's own font folder; without it they show letters.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$fonts/" 2>/dev/null || true
fi
exec "$wine_bin" "$@"
