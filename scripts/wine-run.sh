#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix (made on first
# use), without Wine's debug chatter and without the Mono/Gecko install prompts.
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
  wineserver -w || true
fi
exec "$wine_bin" "$@"
