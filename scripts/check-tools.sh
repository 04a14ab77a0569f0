#!/usr/bin/env bash
# Checks that every command of scripts/tools.txt runs a file of a Debian package the list installs, either
# directly or as a dependency (Depends, Pre-Depends; not Recommends, which scripts/install-deps.sh leaves
# out). A tool found here only because it was installed by hand or came with a package outside the list
# would let the tests pass on this machine and fail on a fresh one. Each command that fails gets one line:
# the command, the file it runs and the package to list. scripts/test.sh runs this first.
#
# Usage: scripts/check-tools.sh [TABLE]   (default: scripts/tools.txt)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
table=${1:-$here/scripts/tools.txt}
[ -f "$table" ] || { echo "check-tools: the table $table does not exist" >&2; exit 2; }
shown=${table#"$here"/}

# The table: "command package" for each command, then the packages once each.
pairs=$(sed 's/#.*//' "$table" | awk -v table="$shown" '
  NF == 1 { print "check-tools: " table ": \"" $1 "\" names no command (\"-\" for none)" > "/dev/stderr"; exit 2 }
  NF > 1 { for (i = 2; i <= NF; i++) if ($i != "-") print $i, $1 }')
mapfile -t packages < <(sed 's/#.*//' "$table" | awk 'NF && !seen[$1]++ { print $1 }')

# What the listed packages install: the installed ones and everything they depend on, an alternative
# ("a | b") or a virtual package by each of its installed providers.
closure=$(dpkg-query -W -f='${db:Status-Abbrev}\t${Package}\t${Pre-Depends}, ${Depends}\t${Provides}\n' |
  awk -F'\t' -v listed="${packages[*]}" '
  function bare(d) { sub(/^[ \t]+/, "", d); sub(/[ \t(:].*$/, "", d); return d }
  function add(p) { if (!(p in seen)) { seen[p] = 1; queue[++tail] = p } }
  function reach(dep,   alts, n, k, name, providing, j) {
    n = split(dep, alts, "|")
    for (k = 1; k <= n; k++) {
      name = bare(alts[k])
      if (name in installed) add(name)
      if (name in providers) { split(providers[name], providing, " "); for (j in providing) add(providing[j]) }
    }
  }
  $1 ~ /^.i/ {
    installed[$2] = 1
    deps[$2] = deps[$2] "," $3
    n = split($4, provided, ",")
    for (i = 1; i <= n; i++) if ((name = bare(provided[i])) != "") providers[name] = providers[name] " " $2
  }
  END {
    n = split(listed, first, " ")
    for (i = 1; i <= n; i++) {
      if (first[i] in installed) add(first[i])
      else print "missing " first[i]
    }
    for (head = 1; head <= tail; head++) {
      n = split(deps[queue[head]], dep, ",")
      for (i = 1; i <= n; i++) reach(dep[i])
    }
    for (p in seen) print "in " p
  }')
declare -A in_closure=()
failures=()
while read -r kind package; do
  if [ -z "$kind" ]; then
    continue
  elif [ "$kind" = missing ]; then
    failures+=("check-tools: $package is listed in $shown but not installed (scripts/install-deps.sh installs it)")
  else
    in_closure[$package]=1
  fi
done <<<"$closure"

# /usr-merge: a file in /usr/bin may be registered as /bin/... and the other way round.
twin() {
  case "$1" in
    /usr/bin/* | /usr/sbin/* | /usr/lib*/*) echo "${1#/usr}" ;;
    /bin/* | /sbin/* | /lib*/*) echo "/usr$1" ;;
  esac
}
declare -A file_of=() owners_of=()
candidates=()
commands=0
while read -r command package; do
  [ -n "$command" ] || continue
  commands=$((commands + 1))
  path=$(type -P "$command") || continue
  file=$(readlink -f "$path")
  file_of[$command]=$file
  candidates+=("$file")
  other=$(twin "$file")
  if [ -n "$other" ]; then candidates+=("$other"); fi
done <<<"$pairs"
# One dpkg -S for all files: "pkg1, pkg2:arch: /path" per file found.
while IFS= read -r line; do
  [[ "$line" == "diversion by "* || "$line" != *": /"* ]] && continue
  owners=${line%%: /*}
  owners_of["/${line#*: /}"]=${owners//,/}
done < <(dpkg -S "${candidates[@]}" 2>/dev/null || true)

while read -r command package; do
  [ -n "$command" ] || continue
  file=${file_of[$command]:-}
  if [ -z "$file" ]; then
    failures+=("check-tools: $command is not installed: $shown lists it under $package, which does not provide it")
    continue
  fi
  owners=${owners_of[$file]:-}
  other=$(twin "$file")
  [ -z "$owners" ] && [ -n "$other" ] && owners=${owners_of[$other]:-}
  if [ -z "$owners" ]; then
    failures+=("check-tools: $command runs $file, which belongs to no Debian package (installed by hand?); it must come from $package as $shown says")
    continue
  fi
  found=false
  for owner in $owners; do
    [ -n "${in_closure[${owner%%:*}]:-}" ] && found=true
  done
  owner=${owners%% *}
  $found || failures+=("check-tools: $command runs $file, which belongs to ${owner%%:*}, a package $shown neither lists nor pulls in: list ${owner%%:*} there")
done <<<"$pairs"

if [ ${#failures[@]} -gt 0 ]; then
  printf '%s\n' "${failures[@]}" >&2
  exit 1
fi
echo "check-tools: the $commands commands of $shown come from its ${#packages[@]} packages and their dependencies"
