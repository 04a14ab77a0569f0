#!/usr/bin/env bash
# Tests scripts/check-tools.sh on changed copies of scripts/tools.txt: the real table passes; a command whose
# file comes from a package outside the list, from a package a listed one only recommends, from no package
# at all, or that no listed package provides, and a listed package that is not installed each fail the
# check with the one line that names them. Needs the packages of the table (scripts/install-deps.sh).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d /tmp/xpc-check-tools.XXXXXX)
trap 'rm -rf "$work"' EXIT
table=$work/tools.txt
# A command installed by hand.
mkdir "$work/bin"
printf '#!/bin/sh\n' >"$work/bin/xpc-handmade"
chmod +x "$work/bin/xpc-handmade"
export PATH="$work/bin:$PATH"

# The change to the table (a sed script) | the line the check must print, none when it must pass.
cases=(
  '|'
  "/^wixl /d; s/^msitools .*/& wixl/|check-tools: wixl runs /usr/bin/wixl, which belongs to wixl, a package $table neither lists nor pulls in: list wixl there"
  "/^xauth /d; s/^xvfb .*/& xauth/|check-tools: xauth runs /usr/bin/xauth, which belongs to xauth, a package $table neither lists nor pulls in: list xauth there"
  "s/^patch .*/& xpc-handmade/|check-tools: xpc-handmade runs $work/bin/xpc-handmade, which belongs to no Debian package (installed by hand?); it must come from patch as $table says"
  "s/^msitools .*/& xpc-missing/|check-tools: xpc-missing is not installed: $table lists it under msitools, which does not provide it"
  "\$a xpc-no-such-package -|check-tools: xpc-no-such-package is listed in $table but not installed (scripts/install-deps.sh installs it)"
)
failed=0
for case in "${cases[@]}"; do
  change=${case%%|*} expected=${case#*|}
  sed "$change" "$here/scripts/tools.txt" >"$table"
  status=0
  bash "$here/scripts/check-tools.sh" "$table" >/dev/null 2>"$work/err" || status=$?
  if [ -z "$expected" ]; then
    [ "$status" -eq 0 ] && [ ! -s "$work/err" ] && continue
  else
    [ "$status" -eq 1 ] && [ "$(cat "$work/err")" = "$expected" ] && continue
  fi
  echo "check-tools-test: FAILED: with the change '$change' the check ended with $status and said:" >&2
  sed 's/^/  /' "$work/err" >&2
  failed=1
done
[ "$failed" -eq 0 ] || exit 1
echo "check-tools-test: passed (${#cases[@]} tables)"
